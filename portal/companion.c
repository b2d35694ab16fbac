/* The demo's companion downloader (httpcurl.exe). The demo portal's server does the fetching for
 * the page; this program only stands in for the process the client keeps running and waits for:
 * it ends when a file named "quit" appears in its folder (the page's web_rpc_shutdown asks the
 * portal to put it there). */
#include <stdio.h>
#include <time.h>
#include <unistd.h>

int main(void) {
  const struct timespec tick = {0, 200 * 1000 * 1000};
  for (;;) {
    if (access("quit", F_OK) == 0) {
      remove("quit");
      return 0;
    }
    nanosleep(&tick, NULL);
  }
}
