<!DOCTYPE html>
<html><head><meta charset="utf-8"><title>test portal page</title>
<style>html,body{margin:0;height:100%;background:#fff}</style></head>
<body>
<script>
// The end-to-end tests' portal page: it reports what the client does to it and runs the
// script the harness queues on the server.
function report(name, detail) {
  const request = new XMLHttpRequest();  // synchronous: the report is out before we go on
  request.open("POST", "/api/stage?name=" + encodeURIComponent(name), false);
  try { request.send(detail === undefined ? "" : String(detail)); } catch (e) {}
}
window.web_rpc_shutdown = () => report("shutdown");
// Progress comes in hundreds of calls: kept here, reported in one go when the -1s arrive.
const progress = [];
window.flashprogress = (r, t, s) => {
  progress.push(r + "," + t + "," + s);
  if (r === -1) report("flashprogress", progress.join(" "));
};
window.download_curtaskaddinf = (a, b, c) => report("task", JSON.stringify([a, b, c]));
for (const type of ["mousedown", "mouseup", "contextmenu"])
  addEventListener(type, (e) => report(type, e.button + " " + e.clientY));
addEventListener("load", () => report("loaded", typeof cb_getversion));
setInterval(async () => {
  const { code } = await (await fetch("/api/command", { cache: "no-store" })).json();
  if (code) {
    try { report("result", String(eval(code))); } catch (e) { report("result", "error " + e); }
  }
}, 50);
</script>
</body></html>
