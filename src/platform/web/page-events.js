// The page side of the web backend, first part: the event queue. Every
// click, close request, answer and timer tick only enters the queue, which
// the C++ event loop drains, so nothing calls into the program while it is
// suspended; the waits and turns the program suspends on are here too, and
// the browser's own "leave this page?".
"use strict";

var AbacoriaEvents = (function () {
    // What is queued, by number: handed over by the backend (contract), as
    // kind + scale * argument.
    var kinds = null;

    var queue = [];
    var waiter = null; // { modal, wakeUp } while the program waits for an event
    var channel = new MessageChannel();
    var turnDone = null;
    var timer = 0;
    var tickQueued = false;
    var leaveGuard = false;

    function kindOf(code) { return code % kinds.scale; }

    function push(kind, arg) {
        queue.push(kind + kinds.scale * (arg || 0));
        wake();
    }

    // While a message box is open only ticks and its answer are taken; the
    // rest waits for the box to close.
    function eligible(code, modal) {
        if (!modal)
            return true;
        var kind = kindOf(code);
        return kind === kinds.tick || kind === kinds.answer;
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

    window.addEventListener("beforeunload", function (e) {
        if (leaveGuard) {
            e.preventDefault();
            e.returnValue = "";
        }
    });

    return {
        contract: function (k) { kinds = k; },
        kinds: function () { return kinds; },
        push: push,
        pending: function (modal) { return firstEligible(modal) >= 0 ? 1 : 0; },
        next: function (modal) {
            var i = firstEligible(modal);
            if (i < 0)
                return 0;
            var code = queue.splice(i, 1)[0];
            if (kindOf(code) === kinds.tick)
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

        // The program's timer: a tick waits in the queue once at most.
        startTimer: function (ms) {
            clearInterval(timer);
            timer = setInterval(function () {
                if (!tickQueued) {
                    tickQueued = true;
                    push(kinds.tick);
                }
            }, ms);
        },
        stopTimer: function () {
            clearInterval(timer);
            timer = 0;
            queue = queue.filter(function (c) { return kindOf(c) !== kinds.tick; });
            tickQueued = false;
        },

        // While on, leaving the page asks the browser's own "leave this page?".
        setLeaveGuard: function (on) { leaveGuard = !!on; }
    };
})();
