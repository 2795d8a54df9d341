// The page side of the web backend, last part: starts the program once the
// browser is known to be able to run it, with the module's bytes from the
// page itself; where it cannot, the page says why in one sentence.
"use strict";

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
