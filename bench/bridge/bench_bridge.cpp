// The cost of the bridge on the real WebKitGTK, measured by page script: one synchronous bridge
// call (cb_getunzipprogress in a loop) against a plain script function call, and a message round
// trip (cb_download until the browser process has run download_curtaskaddinf in the page).
// Needs a display (Xvfb).

#include <algorithm>
#include <cstdio>
#include <string>

#include "engine/webkit_host.h"

namespace {

constexpr char kPage[] = R"html(<html><body><script>
function plain(x){ return x & 1; }
// Microseconds per call of each loop.
function bridgeCall(n){
  var sum = 0, t0 = performance.now();
  for (var i = 0; i < n; i++) sum += cb_getunzipprogress();
  window.sink = sum;
  return (performance.now() - t0) * 1000 / n;
}
function baselineCall(n){
  var sum = 0, t0 = performance.now();
  for (var i = 0; i < n; i++) sum += plain(i);
  window.sink = sum;
  return (performance.now() - t0) * 1000 / n;
}
var pending = 0, started = 0;
function download_curtaskaddinf(task, folder, third){
  if (--pending > 0) { cb_download('', 'task', '2'); return; }
  window.roundTripMs = (performance.now() - started) / window.roundTrips;
}
function roundTrip(n){
  window.roundTrips = n; pending = n; started = performance.now();
  cb_download('', 'task', '2');
}
</script></body></html>)html";

double number(const std::string& json) {
  return std::stod(json);
}

}  // namespace

int main() {
  using varnet::testing::WebKitHost;
  auto& host = WebKitHost::get();
  host.server().add("/portal/bench.html", kPage);
  auto client = std::make_shared<varnet::testing::RecordingClient>();
  auto browser = host.open(client, host.server().url("/portal/bench.html"));
  if (!browser) {
    std::fprintf(stderr, "the bench page did not open\n");
    return 1;
  }
  // Warm up both paths, then take the best of a few runs of each.
  // The plain call is so cheap that it needs far more calls to rise above the timer's
  // resolution.
  const std::string bridgeRun = "bridgeCall(" + std::to_string(500000) + ")";
  const std::string baselineRun = "baselineCall(" + std::to_string(50000000) + ")";
  WebKitHost::evaluate(*browser, "[bridgeCall(20000), baselineCall(1000000)]");
  double call = 1e9, baseline = 1e9;
  for (int run = 0; run < 5; ++run) {
    call = std::min(call, number(WebKitHost::evaluate(*browser, bridgeRun)));
    baseline = std::min(baseline, number(WebKitHost::evaluate(*browser, baselineRun)));
  }

  constexpr int kRoundTrips = 300;
  WebKitHost::evaluate(*browser, "roundTrip(" + std::to_string(kRoundTrips) + ")");
  bool done = WebKitHost::waitUntil(
      [&] { return WebKitHost::evaluate(*browser, "typeof roundTripMs") == "\"number\""; });
  if (!done) {
    std::fprintf(stderr, "the round trips did not complete\n");
    return 1;
  }
  double roundTrip = number(WebKitHost::evaluate(*browser, "roundTripMs"));
  host.close(browser);

  std::printf("bridge call / plain script call: %.0f times\n",
              baseline > 0 ? call / baseline : 0.0);
  std::printf("bridge: call %.3f us, baseline %.4f us, round trip %.3f ms\n", call, baseline,
              roundTrip);
  return 0;
}
