// The page side of the web backend: the window. It draws what the backend
// asks for and keeps no rule of the program; what the user does goes to the
// event queue (page-events.js), boxes are page-boxes.js's. It never reads
// layout: the backend keeps all geometry itself.
"use strict";

var AbacoriaPage = (function (events, boxes) {
    var drawn = null; // what the backend draws, by number (contract)
    var desk = null; // where the window lives
    var form = null, titleBar = null, client = null, surface = null;
    var icon = null; // the title bar's, kept from window to window
    var frame = { title: 18, border: 3 };
    var els = []; // by control id
    var front = 0; // z-index of the front-most windowed control
    var maximized = false;
    var viewport = { width: window.innerWidth, height: window.innerHeight };
    var started = false; // a window has been shown
    var faulted = false; // the program cannot go on
    var measureContext = null;

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

    window.addEventListener("resize", function () {
        viewport.width = window.innerWidth;
        viewport.height = window.innerHeight;
    });

    return {
        contract: function (d) { drawn = d; },

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
            close.addEventListener("click", function () { events.push(events.kinds().close); });
            // The title bar never takes the focus from the window's controls.
            titleBar.addEventListener("mousedown", function (e) { e.preventDefault(); });
            client = el("div", "client", form);
            client.style.width = width + "px";
            client.style.height = height + "px";
            client.style.background = rgb(back);
            client.style.font = fontCss;
            // The window's font is the desktop's: title bars and boxes too.
            document.documentElement.style.setProperty("--window-font", fontCss);
            surface = el("div", "surface", client);
            // As on the desktop, a press on a label or on the background
            // leaves the focus where it was.
            client.addEventListener("mousedown", function (e) {
                if (!e.target.closest("button, input"))
                    e.preventDefault();
            });
            client.addEventListener("click", function (e) {
                var t = e.target.closest("[data-id]");
                if (t && !boxes.anyOpen())
                    events.push(events.kinds().click, +t.dataset.id);
            });
            form.addEventListener("keydown", onFormKey);
            desk.appendChild(form);
        },

        // kind: one of what the backend draws (contract)
        createControl: function (id, kind, caption, left, top, width, height, visible, back, fore, fontCss, spoken) {
            var e;
            if (kind === drawn.label || kind === drawn.rectangle) {
                e = el("div", kind === drawn.label ? "label" : "shape", surface);
                if (kind === drawn.label)
                    e.textContent = caption;
                if (back >= 0)
                    e.style.background = rgb(back);
            } else if (kind === drawn.button) {
                e = el("button", "button " + bevelClass(width, height), client);
                e.type = "button";
                e.textContent = caption;
                if (back >= 0)
                    e.style.backgroundColor = rgb(back);
                e.style.zIndex = ++front;
            } else if (kind === drawn.textBox) {
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
            again.addEventListener("click", function () { events.push(events.kinds().restart); });
            again.focus();
        },
        // The program cannot run: one sentence in the page says why, in
        // place of whatever it showed.
        fault: function (sentence) {
            if (faulted)
                return; // the first reason is the one to give
            faulted = true;
            events.setLeaveGuard(false);
            events.stopTimer();
            boxes.clear();
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
        }
    };
})(AbacoriaEvents, AbacoriaBoxes);
