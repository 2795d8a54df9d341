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
    var started = false; // a window has been shown
    var faulted = false; // the program cannot go on
    var measureContext = null;

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

    // The classic bevel as a picture the size of a button, raised and
    // pressed, for a rule of its own (a class per size); drawn at one
    // picture pixel a CSS pixel, and scaled without smoothing.
    var bevels = {};
    function bevelClass(width, height) {
        var name = "bevel-" + width + "x" + height;
        if (bevels[name])
            return name;
        bevels[name] = true;
        // Two rings, lit on one side and shaded on the other: top and left
        // lit for a raised button, bottom and right for a pressed one.
        // Where the sides meet, the shaded edges run over the lit ones.
        function picture(light, dark, raised) {
            var c = document.createElement("canvas");
            c.width = width;
            c.height = height;
            var g = c.getContext("2d");
            var ring = function (colour, inset, topLeft) {
                var w = width - 2 * inset, h = height - 2 * inset;
                g.fillStyle = colour;
                if (topLeft) {
                    g.fillRect(inset, inset, w, 1);
                    g.fillRect(inset, inset, 1, h);
                } else {
                    g.fillRect(inset + w - 1, inset, 1, h);
                    g.fillRect(inset, inset + h - 1, w, 1);
                }
            };
            ring(light[0], 0, raised);
            ring(light[1], 1, raised);
            ring(dark[1], 1, !raised);
            ring(dark[0], 0, !raised);
            return "url(" + c.toDataURL() + ")";
        }
        // [outer ring, inner ring] of the lit edges and of the shaded ones.
        var light = ["#fff", "#dfdfdf"], dark = ["#000", "#808080"];
        var sheet = document.styleSheets[0];
        sheet.insertRule(".client > ." + name + " { background-image: "
                         + picture(light, dark, true) + "; }", sheet.cssRules.length);
        sheet.insertRule(".client > ." + name + ":active { background-image: "
                         + picture(light, dark, false) + "; }", sheet.cssRules.length);
        return name;
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

    // While a box is open the rest of the page is out of reach: the box's
    // shade takes every press, the focus cannot leave the box, and screen
    // readers are told the box is modal and the window hidden. The window is
    // not made inert for it: setting or clearing inert restyles every control
    // in it, a fifth of a second each way once the window is flooded, where
    // an attribute that no style reads costs nothing.
    function setReachable(on) {
        var hide = [form, document.getElementById("ended")];
        for (var i = 0; i < hide.length; ++i) {
            if (!hide[i])
                continue;
            if (on)
                hide[i].removeAttribute("aria-hidden");
            else
                hide[i].setAttribute("aria-hidden", "true");
        }
    }

    function keepFocusInBox(e) {
        var b = boxes[boxes.length - 1];
        if (b && !b.shade.contains(e.target))
            b.first.focus();
    }

    function dropTicks() {
        queue = queue.filter(function (c) { return (c & 7) !== TICK; });
        tickQueued = false;
    }

    window.addEventListener("resize", onResize);
    document.addEventListener("focusin", keepFocusInBox, true);
    window.addEventListener("beforeunload", function (e) {
        if (leaveGuard) {
            e.preventDefault();
            e.returnValue = "";
        }
    });

    return {
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
            // The page's own icon, which it carries as a data: URL.
            if (!icon) {
                icon = el("img", "icon", null);
                icon.src = document.querySelector("link[rel~=icon]").href;
                icon.alt = "";
            }
            titleBar.appendChild(icon);
            // The window's title is the page's heading.
            var title = el("h1", "title", titleBar);
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
                if (t && !boxes.length)
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
                e = el("button", "button " + bevelClass(width, height), client);
                e.type = "button";
                e.textContent = caption;
                if (back >= 0)
                    e.style.backgroundColor = rgb(back);
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
        },
        // The DOM order of the controls that take the focus is their tab order.
        setTabOrder: function (ids) {
            for (var i = 0; i < ids.length; ++i)
                client.appendChild(els[ids[i]]);
        },
        showForm: function (focus) {
            started = true;
            form.hidden = false;
            if (els[focus])
                els[focus].focus();
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
        // The program cannot run: one sentence in the page says why, in
        // place of whatever it showed.
        fault: function (sentence) {
            if (faulted)
                return; // the first reason is the one to give
            faulted = true;
            leaveGuard = false;
            clearInterval(timer);
            while (boxes.length)
                boxes.pop().shade.remove();
            desk = desk || document.getElementById("desk");
            desk.textContent = "";
            var p = el("p", "fault", desk);
            p.setAttribute("role", "alert");
            p.textContent = sentence;
        },
        started: function () { return started; },

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
        },
        setFill: function (id, px, percent) {
            var e = els[id];
            e.firstChild.style.width = px + "px";
            e.setAttribute("aria-valuenow", percent);
        },
        move: function (id, left, top) {
            var s = els[id].style;
            s.left = left + "px";
            s.top = top + "px";
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
            var t = el("h2", "title", bar);
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
            boxes.push({ shade: shade, first: buttons[0], focus: document.activeElement });
            setReachable(false);
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
                setReachable(true);
            if (b.focus && b.focus.isConnected && !b.focus.hidden)
                b.focus.focus();
        }
    };
})();

// Starts the program once the browser is known to be able to run it, with
// the module's bytes from the page itself; where it cannot, the page says
// why in one sentence.
(function () {
    if (typeof WebAssembly !== "object" || typeof WebAssembly.instantiate !== "function") {
        AbacoriaPage.fault("Abacoria cannot start: this browser does not run WebAssembly.");
        return;
    }
    try {
        // The smallest module there is: only a policy that forbids
        // WebAssembly keeps it from compiling.
        new WebAssembly.Module(new Uint8Array([0, 0x61, 0x73, 0x6d, 1, 0, 0, 0]));
    } catch (e) {
        AbacoriaPage.fault("Abacoria cannot start: the security policy of this page forbids WebAssembly.");
        return;
    }
    function failed() {
        AbacoriaPage.fault(AbacoriaPage.started()
            ? "Abacoria has stopped after an internal error; reload the page to start it again."
            : "Abacoria cannot start: its WebAssembly module failed to load in this browser.");
    }
    var block = document.getElementById("abacoria-wasm");
    var text = atob(block.textContent);
    block.remove();
    var bytes = new Uint8Array(text.length);
    for (var i = 0; i < text.length; ++i)
        bytes[i] = text.charCodeAt(i);
    Abacoria({ wasmBinary: bytes, onAbort: failed }).catch(failed);
})();
