// The browser benchmark's probes, run in the page before its own scripts
// (the page carries no stamps of its own). They wrap the page's side of the
// backend as it is defined, and stamp what it draws: a few numbers, one
// entry a thousand moves, and the banner's blink. A "frame" stamp is taken
// at the first animation frame after a change, the one that draws it.
(function () {
    var s = window.benchStats = {
        ticks: [], shownAt: 0, shownFrame: 0, fills: 0, firstFill: 0, lastFill: 0, boxAt: 0,
        copies: 0, moves: 0, moveMarks: [], moveFrames: [],
        labelSet: 0, labelSetGap: 0, labelFrame: 0, labelFrameGap: 0
    };
    var now = function () { return performance.now(); };

    // The page's 500 ms interval is the program's timer.
    var setIntervalOriginal = window.setInterval;
    window.setInterval = function (f, ms) {
        var rest = Array.prototype.slice.call(arguments, 2);
        var stamped = ms === 500 ? function () { s.ticks.push(now()); return f.apply(this, arguments); } : f;
        return setIntervalOriginal.apply(window, [stamped, ms].concat(rest));
    };

    var labels = {}; // ids of labels: a label shown or hidden is the banner's blink
    var drawn = {};
    function blinked(id, visible) {
        var t = now();
        if (s.labelSet)
            s.labelSetGap = Math.max(s.labelSetGap, t - s.labelSet);
        s.labelSet = t;
        requestAnimationFrame(function () {
            // Two changes within one frame cancel out on screen.
            if (drawn[id] === visible)
                return;
            drawn[id] = visible;
            var at = now();
            if (s.labelFrame)
                s.labelFrameGap = Math.max(s.labelFrameGap, at - s.labelFrame);
            s.labelFrame = at;
        });
    }

    function wrap(page) {
        var o = {};
        for (var k in page)
            o[k] = page[k];
        page.createControl = function (id, kind) {
            if (kind === 4)
                labels[id] = true;
            return o.createControl.apply(page, arguments);
        };
        page.copyControl = function () {
            ++s.copies;
            return o.copyControl.apply(page, arguments);
        };
        page.showForm = function () {
            var r = o.showForm.apply(page, arguments);
            s.shownAt = now();
            requestAnimationFrame(function () { s.shownFrame = now(); });
            return r;
        };
        page.setFill = function () {
            var t = now();
            if (!s.fills++)
                s.firstFill = t;
            s.lastFill = t;
            return o.setFill.apply(page, arguments);
        };
        page.setVisible = function (id, visible) {
            var r = o.setVisible.apply(page, arguments);
            if (labels[id])
                blinked(id, visible);
            return r;
        };
        page.move = function () {
            var r = o.move.apply(page, arguments);
            if (++s.moves % 1000 === 0) {
                s.moveMarks.push(now());
                requestAnimationFrame(function () { s.moveFrames.push(now()); });
            }
            return r;
        };
        return page;
    }

    function wrapBoxes(boxes) {
        var open = boxes.open;
        boxes.open = function () {
            s.boxAt = now();
            return open.apply(boxes, arguments);
        };
        return boxes;
    }

    // Each part of the page is wrapped as the page defines it.
    function intercept(name, wrapper) {
        var value;
        Object.defineProperty(window, name, {
            configurable: true,
            get: function () { return value; },
            set: function (v) { value = wrapper(v); }
        });
    }
    intercept("AbacoriaPage", wrap);
    intercept("AbacoriaBoxes", wrapBoxes);
})();
