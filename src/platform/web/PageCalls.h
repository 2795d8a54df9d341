#pragma once

// The web backend's calls into the page's scripts (page*.js), one plain
// call each; PageCalls.cpp defines them. js_wait and js_yieldTurn suspend
// the program (ASYNCIFY_IMPORTS lists them).
// clang-format off
extern "C" {
void js_contract(int click, int close, int tick, int answer, int restart, int scale, int ok, int yes, int no, int button, int progress, int textBox, int label, int rectangle);
void js_createForm(const char* caption, int back, int width, int height, int title, int border, const char* font);
void js_createControl(int id, int kind, const char* caption, int left, int top, int width, int height, int visible, int back, int fore, const char* font, const char* spoken);
void js_copyControl(int id, int templ);
void js_setTabOrder(const int* ids, int count);
void js_showForm(int focus);
void js_hideForm();
void js_destroyForm();
char* js_text(int id);
void js_setText(int id, const char* text, int length);
void js_setCaption(int id, const char* text, int length, int width, int height);
void js_setVisible(int id, int visible);
void js_setFill(int id, int px, int percent);
void js_move(int id, int left, int top);
void js_bringToFront(int id);
void js_setMaximized(int on);
int js_viewportWidth();
int js_viewportHeight();
void js_measure(const char* font, const char* text, int length, int* extent);
void js_startTimer(int ms);
void js_stopTimer();
void js_openBox(const char* title, const char* text, int yesNo);
void js_closeBox();
int js_next(int modal);
void js_setLeaveGuard(int on);
void js_showEnded();
void js_clearQueue();
double js_now();
void js_wait(int modal);
void js_yieldTurn(int frame);
}
// clang-format on
