// The page side of the web backend: message boxes, drawn in the classic
// look and modal to the window. While a box is open the rest of the page is
// out of reach: the box's shade takes every press, the focus cannot leave
// the box, and screen readers are told the box is modal and the window
// hidden. The window is not made inert for it: setting or clearing inert
// restyles every control in it, a fifth of a second each way once the
// window is flooded, where an attribute that no style reads costs nothing.
"use strict";

var AbacoriaBoxes = (function (events) {
    var boxes = []; // open message boxes, innermost last

    function el(tag, cls, parent) {
        var e = document.createElement(tag);
        e.className = cls;
        parent.appendChild(e);
        return e;
    }

    function setReachable(on) {
        var hide = [document.getElementById("form"), document.getElementById("ended")];
        for (var i = 0; i < hide.length; ++i) {
            if (!hide[i])
                continue;
            if (on)
                hide[i].removeAttribute("aria-hidden");
            else
                hide[i].setAttribute("aria-hidden", "true");
        }
    }

    document.addEventListener("focusin", function (e) {
        var b = boxes[boxes.length - 1];
        if (b && !b.shade.contains(e.target))
            b.first.focus();
    }, true);

    return {
        open: function (title, text, yesNo) {
            var k = events.kinds();
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
            var answers = yesNo ? [["Yes", k.yes], ["No", k.no]] : [["OK", k.ok]];
            var buttons = answers.map(function (a) {
                var b = el("button", "button", row);
                b.type = "button";
                b.textContent = a[0];
                b.addEventListener("click", function () { events.push(k.answer, a[1]); });
                return b;
            });
            box.addEventListener("keydown", function (e) {
                if (e.key === "Escape") {
                    e.preventDefault();
                    if (!yesNo)
                        events.push(k.answer, k.ok);
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
        close: function () {
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
        },
        anyOpen: function () { return boxes.length > 0; },
        // Every box goes, answered or not (the program has stopped).
        clear: function () {
            while (boxes.length)
                boxes.pop().shade.remove();
            setReachable(true);
        }
    };
})(AbacoriaEvents);
