// The declarations must refuse this call: setupMode given as text instead of a number.
"use strict";
window.cb_unzip?.("/games/", "/packages/a", "A", "", "a.exe", "1", "");
