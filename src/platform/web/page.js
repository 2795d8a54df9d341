// The page side of the web backend: draws what the backend asks for and
// queues what the user does. It keeps no rule of the program: every click,
// close request and timer tick only enters the queue, which the C++ event
// loop drains, so nothing calls into the program while it is suspended.
// Never reads layout: the backend keeps all geometry itself.
"use strict";

var AbacoriaPage = (function () {
    // Queued events: kind + 8 * argument, as the backend decodes them.
    var CLICK = 1, CLOSE = 2, TICK = 3, ANSWER = 4, RESTART = 5;

    var queue = [];
    var waiter = null; // { modal, wakeUp } while the program waits for an event
    var channel = new MessageChannel();
    var turnDone = null;
    var timer = 0;
    var tickQueued = false;

    var desk = null; // where the window lives
    var form = null, titleBar = null, client = null, surface = null;
    var icon = null; // the title bar's, kept from window to window
    var frame = { title: 18, border: 3 };
    var els = []; // by control id
    var front = 0; // z-index of the front-most windowed control
    var maximized = false;
    var viewport = { width: window.innerWidth, height: window.innerHeight };
    var boxes = []; // open message boxes, innermost last
    var leaveGuard = false;
    var measureContext = null;
    // Stamps for the browser benchmark (bench/web): a few numbers and one
    // entry a thousand moves. "Frame" stamps are taken at the first animation
    // frame after a change, the one that draws it. A label shown or hidden is
    // the banner's blink: when, and the longest gap since the benchmark last
    // cleared it, once as the program does it and once as a frame draws it.
    var stats = {
        copies: 0, moves: 0, ticks: [], shownAt: 0, fills: 0, firstFill: 0, lastFill: 0,
        shownFrame: 0, boxAt: 0, moveMarks: [], moveFrames: [],
        labelSet: 0, labelSetGap: 0, labelFrame: 0, labelFrameGap: 0
    };

    function stampLabel(e) {
        var now = performance.now();
        if (stats.labelSet)
            stats.labelSetGap = Math.max(stats.labelSetGap, now - stats.labelSet);
        stats.labelSet = now;
        requestAnimationFrame(function () {
            // Two changes within one frame cancel out on screen.
            if (e.hidden === e.drawnHidden)
                return;
            e.drawnHidden = e.hidden;
            var at = performance.now();
            if (stats.labelFrame)
                stats.labelFrameGap = Math.max(stats.labelFrameGap, at - stats.labelFrame);
            stats.labelFrame = at;
        });
    }

    function push(kind, arg) {
        queue.push(kind + 8 * (arg || 0));
        wake();
    }

    // While a message box is open only ticks and its answer are taken; the
    // rest waits for the box to close.
    function eligible(code, modal) {
        if (!modal)
            return true;
        var kind = code & 7;
        return kind === TICK || kind === ANSWER;
    }

    function firstEligible(modal) {
        for (var i = 0; i < queue.length; ++i)
            if (eligible(queue[i], modal))
                return i;
        return -1;
    }

    function wake() {
        if (!waiter || firstEligible(waiter.modal) < 0)
            return;
        var w = waiter.wakeUp;
        waiter = null;
        // Not from inside the listener that queued the event.
        Promise.resolve().then(w);
    }

    channel.port1.onmessage = function () {
        var done = turnDone;
        turnDone = null;
        if (done)
            done();
    };

    function el(tag, cls, parent) {
        var e = document.createElement(tag);
        if (cls)
            e.className = cls;
        if (parent)
            parent.appendChild(e);
        return e;
    }

    function rgb(c) {
        return c < 0 ? "" : "rgb(" + (c >> 16 & 255) + "," + (c >> 8 & 255) + "," + (c & 255) + ")";
    }

    function place(e, left, top, width, height) {
        var s = e.style;
        s.left = left + "px";
        s.top = top + "px";
        s.width = width + "px";
        s.height = height + "px";
    }

    function visibleControls() {
        var list = [];
        var all = client.querySelectorAll("button, input");
        for (var i = 0; i < all.length; ++i)
            if (!all[i].hidden)
                list.push(all[i]);
        return list;
    }

    // The window's keyboard: no default or cancel button, so Enter and
    // Escape do nothing; Tab runs round the controls in tab order.
    function onFormKey(e) {
        if (e.key === "Enter" || e.key === "Escape") {
            e.preventDefault();
            return;
        }
        if (e.key !== "Tab")
            return;
        e.preventDefault();
        var list = visibleControls();
        if (!list.length)
            return;
        var at = list.indexOf(document.activeElement);
        var next = at < 0 ? 0 : (at + (e.shiftKey ? list.length - 1 : 1)) % list.length;
        list[next].focus();
    }

    function onResize() {
        viewport.width = window.innerWidth;
        viewport.height = window.innerHeight;
    }

    function setInert(on) {
        if (form)
            form.inert = on;
        var ended = document.getElementById("ended");
        if (ended)
            ended.inert = on;
    }

    function dropTicks() {
        queue = queue.filter(function (c) { return (c & 7) !== TICK; });
        tickQueued = false;
    }

    window.addEventListener("resize", onResize);
    window.addEventListener("beforeunload", function (e) {
        if (leaveGuard) {
            e.preventDefault();
            e.returnValue = "";
        }
    });

    return {
        stats: stats,

        // --- the event queue
        pending: function (modal) { return firstEligible(modal) >= 0 ? 1 : 0; },
        next: function (modal) {
            var i = firstEligible(modal);
            if (i < 0)
                return 0;
            var code = queue.splice(i, 1)[0];
            if ((code & 7) === TICK)
                tickQueued = false;
            return code;
        },
        wait: function (modal, wakeUp) {
            waiter = { modal: modal, wakeUp: wakeUp };
            wake();
        },
        // One turn of the browser: a message, not a timer, which the
        // browser clamps to several milliseconds.
        // With frame: once the next frame has been drawn, so that what the
        // program showed is on the screen; a hidden tab draws no frames, and
        // a timer stands in for one there.
        yieldTurn: function (frame, wakeUp) {
            turnDone = wakeUp;
            if (!frame) {
                channel.port2.postMessage(0);
                return;
            }
            var posted = false;
            var post = function () {
                if (!posted) {
                    posted = true;
                    channel.port2.postMessage(0);
                }
            };
            requestAnimationFrame(post);
            setTimeout(post, 100);
        },
        clear: function () { queue = []; tickQueued = false; },

        // --- the window
        createForm: function (caption, back, width, height, titleHeight, border, fontCss) {
            desk = desk || document.getElementById("desk");
            var old = document.getElementById("ended");
            if (old)
                old.remove();
            frame.title = titleHeight;
            frame.border = border;
            els = [];
            front = 0;
            maximized = false;
            form = el("section", "form", null);
            form.id = "form";
            form.hidden = true;
            form.setAttribute("aria-label", caption);
            form.style.setProperty("--title", titleHeight + "px");
            form.style.setProperty("--border", border + "px");
            titleBar = el("div", "titlebar", form);
            // One icon for every window the page shows: a new image would ask
            // the server for it again (it is served no-cache) after a restart.
            if (!icon) {
                icon = el("img", "icon", null);
                icon.src = "abacoria.svg";
                icon.alt = "";
            }
            titleBar.appendChild(icon);
            var title = el("span", "title", titleBar);
            title.textContent = caption;
            var close = el("button", "closebox", titleBar);
            close.type = "button";
            close.tabIndex = -1;
            close.setAttribute("aria-label", "Close");
            close.addEventListener("click", function () { push(CLOSE); });
            // The title bar never takes the focus from the window's controls.
            titleBar.addEventListener("mousedown", function (e) { e.preventDefault(); });
            client = el("div", "client", form);
            client.style.width = width + "px";
            client.style.height = height + "px";
            client.style.background = rgb(back);
            client.style.font = fontCss;
            surface = el("div", "surface", client);
            // As on the desktop, a press on a label or on the background
            // leaves the focus where it was.
            client.addEventListener("mousedown", function (e) {
                if (!e.target.closest("button, input"))
                    e.preventDefault();
            });
            client.addEventListener("click", function (e) {
                var t = e.target.closest("[data-id]");
                if (t && !form.inert)
                    push(CLICK, +t.dataset.id);
            });
            form.addEventListener("keydown", onFormKey);
            desk.appendChild(form);
        },

        // kind: 0 push button, 2 progress bar, 3 text box, 4 label, 5 rectangle
        createControl: function (id, kind, caption, left, top, width, height, visible, back, fore, fontCss, spoken) {
            var e;
            if (kind === 4 || kind === 5) {
                e = el("div", kind === 4 ? "label" : "shape", surface);
                if (kind === 4)
                    e.textContent = caption;
                if (back >= 0)
                    e.style.background = rgb(back);
            } else if (kind === 0) {
                e = el("button", "button", client);
                e.type = "button";
                e.textContent = caption;
                if (back >= 0)
                    e.style.background = rgb(back);
                e.style.zIndex = ++front;
            } else if (kind === 3) {
                e = el("input", "textbox", client);
                e.type = "text";
                e.value = caption;
                e.spellcheck = false;
                e.autocomplete = "off";
                e.style.zIndex = ++front;
            } else {
                e = el("div", "progress", client);
                e.setAttribute("role", "progressbar");
                e.setAttribute("aria-valuemin", "0");
                e.setAttribute("aria-valuemax", "100");
                e.setAttribute("aria-valuenow", "0");
                el("div", "fill", e);
                e.style.zIndex = ++front;
            }
            if (spoken)
                e.setAttribute("aria-label", spoken);
            if (fore >= 0)
                e.style.color = rgb(fore);
            if (fontCss)
                e.style.font = fontCss;
            e.dataset.id = id;
            e.hidden = !visible;
            place(e, left, top, width, height);
            els[id] = e;
        },
        copyControl: function (id, templ) {
            var t = els[templ];
            var e = t.cloneNode(true);
            e.hidden = true;
            e.dataset.id = id;
            e.style.zIndex = ++front;
            client.appendChild(e);
            els[id] = e;
            ++stats.copies;
        },
        // The DOM order of the controls that take the focus is their tab order.
        setTabOrder: function (ids) {
            for (var i = 0; i < ids.length; ++i)
                client.appendChild(els[ids[i]]);
        },
        showForm: function (focus) {
            form.hidden = false;
            if (els[focus])
                els[focus].focus();
            stats.shownAt = performance.now();
            requestAnimationFrame(function () { stats.shownFrame = performance.now(); });
        },
        hideForm: function () {
            if (form)
                form.hidden = true;
        },
        destroyForm: function () {
            if (form)
                form.remove();
            form = titleBar = client = surface = null;
            els = [];
            maximized = false;
            document.body.classList.remove("maximized");
        },
        showEnded: function () {
            var box = el("div", "ended", desk);
            box.id = "ended";
            box.setAttribute("role", "status");
            var p = el("p", null, box);
            p.textContent = "Abacoria has ended.";
            var again = el("button", "button", box);
            again.type = "button";
            again.textContent = "Start Abacoria again";
            again.addEventListener("click", function () { push(RESTART); });
            again.focus();
        },
        setLeaveGuard: function (on) { leaveGuard = !!on; },

        // --- properties
        text: function (id) { return els[id].value; },
        setText: function (id, text) { els[id].value = text; },
        setCaption: function (id, caption, width, height) {
            var e = els[id];
            e.textContent = caption;
            if (width >= 0) {
                e.style.width = width + "px";
                e.style.height = height + "px";
            }
        },
        setVisible: function (id, visible) {
            var e = els[id];
            e.hidden = !visible;
            if (e.parentNode === surface)
                stampLabel(e);
        },
        setFill: function (id, px, percent) {
            var e = els[id];
            e.firstChild.style.width = px + "px";
            e.setAttribute("aria-valuenow", percent);
            var now = performance.now();
            if (!stats.fills++)
                stats.firstFill = now;
            stats.lastFill = now;
        },
        move: function (id, left, top) {
            var s = els[id].style;
            s.left = left + "px";
            s.top = top + "px";
            if (++stats.moves % 1000 === 0) {
                stats.moveMarks.push(performance.now());
                requestAnimationFrame(function () { stats.moveFrames.push(performance.now()); });
            }
        },
        bringToFront: function (id) {
            var e = els[id];
            if (e.parentNode === surface)
                surface.appendChild(e);
            else if (+e.style.zIndex !== front) // a new copy is in front already
                e.style.zIndex = ++front;
        },
        setMaximized: function (on) {
            maximized = !!on;
            form.classList.toggle("maximized", maximized);
            document.body.classList.toggle("maximized", maximized);
        },
        viewportWidth: function () { return viewport.width; },
        viewportHeight: function () { return viewport.height; },
        // Width and height of a caption in a CSS font, measured off-screen.
        measure: function (fontCss, text) {
            measureContext = measureContext || document.createElement("canvas").getContext("2d");
            measureContext.font = fontCss;
            var m = measureContext.measureText(text);
            var h = m.fontBoundingBoxAscent + m.fontBoundingBoxDescent;
            return [Math.ceil(m.width), Math.ceil(h || 0)];
        },

        // --- the timer
        startTimer: function (ms) {
            clearInterval(timer);
            timer = setInterval(function () {
                stats.ticks.push(performance.now());
                if (!tickQueued) {
                    tickQueued = true;
                    push(TICK);
                }
            }, ms);
        },
        stopTimer: function () {
            clearInterval(timer);
            timer = 0;
            dropTicks();
        },

        // --- message boxes: drawn in the classic look, modal to the window
        openBox: function (title, text, yesNo) {
            var n = boxes.length;
            stats.boxAt = performance.now();
            var under = boxes.length ? boxes[boxes.length - 1] : null;
            if (under)
                under.shade.inert = true;
            var shade = el("div", "shade", document.body);
            var box = el("div", "msgbox", shade);
            box.setAttribute("role", "alertdialog");
            box.setAttribute("aria-modal", "true");
            box.setAttribute("aria-labelledby", "msgbox-title-" + n);
            box.setAttribute("aria-describedby", "msgbox-text-" + n);
            var bar = el("div", "titlebar", box);
            var t = el("span", "title", bar);
            t.id = "msgbox-title-" + n;
            t.textContent = title;
            var body = el("div", "msgtext", box);
            body.id = "msgbox-text-" + n;
            body.textContent = text.replace(/\r\n/g, "\n");
            var row = el("div", "msgbuttons", box);
            var answers = yesNo ? [["Yes", 6], ["No", 7]] : [["OK", 1]];
            var buttons = answers.map(function (a) {
                var b = el("button", "button", row);
                b.type = "button";
                b.textContent = a[0];
                b.addEventListener("click", function () { push(ANSWER, a[1]); });
                return b;
            });
            box.addEventListener("keydown", function (e) {
                if (e.key === "Escape") {
                    e.preventDefault();
                    if (!yesNo)
                        push(ANSWER, 1);
                } else if (e.key === "Tab") {
                    e.preventDefault();
                    var at = buttons.indexOf(document.activeElement);
                    buttons[(at + 1) % buttons.length].focus();
                } else if (e.key === "ArrowLeft" || e.key === "ArrowRight") {
                    var i = buttons.indexOf(document.activeElement);
                    buttons[(i + (e.key === "ArrowLeft" ? buttons.length - 1 : 1)) % buttons.length].focus();
                }
            });
            // A press that started elsewhere must not steal the focus.
            shade.addEventListener("mousedown", function (e) {
                if (e.target === shade || e.target.closest(".titlebar"))
                    e.preventDefault();
            });
            boxes.push({ shade: shade, focus: document.activeElement });
            setInert(true);
            buttons[0].focus();
        },
        closeBox: function () {
            var b = boxes.pop();
            if (!b)
                return;
            b.shade.remove();
            var under = boxes.length ? boxes[boxes.length - 1] : null;
            if (under)
                under.shade.inert = false;
            else
                setInert(false);
            if (b.focus && b.focus.isConnected && !b.focus.hidden)
                b.focus.focus();
        }
    };
})();
