// The web backend's calls into the page's scripts. Each is one plain call:
// the glue itself lives in page*.js, out of reach of the minifier.
#include "platform/web/PageCalls.h"

#include <emscripten.h>

// clang-format off
EM_JS(void, js_contract, (int click, int close, int tick, int answer, int restart, int scale, int ok, int yes, int no, int button, int progress, int textBox, int label, int rectangle), {
    AbacoriaEvents.contract({ click: click, close: close, tick: tick, answer: answer, restart: restart, scale: scale, ok: ok, yes: yes, no: no });
    AbacoriaPage.contract({ button: button, progress: progress, textBox: textBox, label: label, rectangle: rectangle });
});
EM_JS(void, js_createForm, (const char* caption, int back, int width, int height, int title, int border, const char* font), {
    AbacoriaPage.createForm(UTF8ToString(caption), back, width, height, title, border, UTF8ToString(font));
});
EM_JS(void, js_createControl, (int id, int kind, const char* caption, int left, int top, int width, int height, int visible, int back, int fore, const char* font, const char* spoken), {
    AbacoriaPage.createControl(id, kind, UTF8ToString(caption), left, top, width, height, visible, back, fore, UTF8ToString(font), UTF8ToString(spoken));
});
EM_JS(void, js_copyControl, (int id, int templ), { AbacoriaPage.copyControl(id, templ); });
EM_JS(void, js_setTabOrder, (const int* ids, int count), {
    AbacoriaPage.setTabOrder(Array.prototype.slice.call(HEAP32.subarray(ids >> 2, (ids >> 2) + count)));
});
EM_JS(void, js_showForm, (int focus), { AbacoriaPage.showForm(focus); });
EM_JS(void, js_hideForm, (), { AbacoriaPage.hideForm(); });
EM_JS(void, js_destroyForm, (), { AbacoriaPage.destroyForm(); });
EM_JS(char*, js_text, (int id), {
    var s = AbacoriaPage.text(id); var n = lengthBytesUTF8(s) + 1; var p = _malloc(n); stringToUTF8(s, p, n); return p;
});
EM_JS(void, js_setText, (int id, const char* text, int length), { AbacoriaPage.setText(id, UTF8ToString(text, length)); });
EM_JS(void, js_setCaption, (int id, const char* text, int length, int width, int height), {
    AbacoriaPage.setCaption(id, UTF8ToString(text, length), width, height);
});
EM_JS(void, js_setVisible, (int id, int visible), { AbacoriaPage.setVisible(id, visible !== 0); });
EM_JS(void, js_setFill, (int id, int px, int percent), { AbacoriaPage.setFill(id, px, percent); });
EM_JS(void, js_move, (int id, int left, int top), { AbacoriaPage.move(id, left, top); });
EM_JS(void, js_bringToFront, (int id), { AbacoriaPage.bringToFront(id); });
EM_JS(void, js_setMaximized, (int on), { AbacoriaPage.setMaximized(on !== 0); });
EM_JS(int, js_viewportWidth, (), { return AbacoriaPage.viewportWidth(); });
EM_JS(int, js_viewportHeight, (), { return AbacoriaPage.viewportHeight(); });
EM_JS(void, js_measure, (const char* font, const char* text, int length, int* extent), {
    HEAP32.set(AbacoriaPage.measure(UTF8ToString(font), UTF8ToString(text, length)), extent >> 2);
});
EM_JS(void, js_startTimer, (int ms), { AbacoriaEvents.startTimer(ms); });
EM_JS(void, js_stopTimer, (), { AbacoriaEvents.stopTimer(); });
EM_JS(void, js_openBox, (const char* title, const char* text, int yesNo), {
    AbacoriaBoxes.open(UTF8ToString(title), UTF8ToString(text), yesNo !== 0);
});
EM_JS(void, js_closeBox, (), { AbacoriaBoxes.close(); });
EM_JS(int, js_next, (int modal), { return AbacoriaEvents.next(modal !== 0); });
EM_JS(void, js_setLeaveGuard, (int on), { AbacoriaEvents.setLeaveGuard(on !== 0); });
EM_JS(void, js_showEnded, (), { AbacoriaPage.showEnded(); });
EM_JS(void, js_clearQueue, (), { AbacoriaEvents.clear(); });
EM_JS(double, js_now, (), { return performance.now(); });
// The two imports that suspend the program (ASYNCIFY_IMPORTS lists them).
EM_JS(void, js_wait, (int modal), {
    Asyncify.handleSleep(function (wakeUp) { AbacoriaEvents.wait(modal !== 0, wakeUp); });
});
EM_JS(void, js_yieldTurn, (int frame), {
    Asyncify.handleSleep(function (wakeUp) { AbacoriaEvents.yieldTurn(frame !== 0, wakeUp); });
});
// clang-format on
