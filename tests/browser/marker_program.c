/* A small real program for tests, copied under the names the client starts (httpcurl.exe,
 * update.exe). Each run appends a line to "<its own name>.ran" in its working folder: the
 * working folder, then its arguments. It then lingers for VARNET_TEST_LINGER_MS milliseconds. */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>
#include <unistd.h>

int main(int argc, char** argv) {
  const char* name = strrchr(argv[0], '/') ? strrchr(argv[0], '/') + 1 : argv[0];
  char file[4096], cwd[4096];
  snprintf(file, sizeof file, "%s.ran", name);
  FILE* out = fopen(file, "a");
  if (out) {
    fprintf(out, "%s", getcwd(cwd, sizeof cwd) ? cwd : "?");
    for (int i = 1; i < argc; ++i)
      fprintf(out, " %s", argv[i]);
    fprintf(out, "\n");
    fclose(out);
  }
  const char* linger = getenv("VARNET_TEST_LINGER_MS");
  if (linger) {
    long ms = atol(linger);
    struct timespec t = {ms / 1000, (ms % 1000) * 1000000L};
    nanosleep(&t, NULL);
  }
  return 0;
}
