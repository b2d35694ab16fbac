/* A small real program for tests, copied under the names the client starts (httpcurl.exe,
 * update.exe, and on Windows the desktop's browser). Each run appends a line to "<its own
 * name>.ran" in its working folder: the working folder, then its arguments. It then lingers until
 * the file VARNET_TEST_LINGER_UNTIL exists (a minute at most), then for VARNET_TEST_LINGER_MS
 * milliseconds. */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#ifdef _WIN32
#include <direct.h>
#include <windows.h>
#define getcwd _getcwd
#else
#include <time.h>
#include <unistd.h>
#endif

static const char* baseName(const char* path) {
  const char* name = path;
  for (const char* at = path; *at; ++at)
    if (*at == '/' || *at == '\\')
      name = at + 1;
  return name;
}

static void linger(long ms) {
#ifdef _WIN32
  Sleep((DWORD)ms);
#else
  struct timespec t = {ms / 1000, (ms % 1000) * 1000000L};
  nanosleep(&t, NULL);
#endif
}

int main(int argc, char** argv) {
  char file[4096], cwd[4096];
  snprintf(file, sizeof file, "%s.ran", baseName(argv[0]));
  FILE* out = fopen(file, "a");
  if (out) {
    fprintf(out, "%s", getcwd(cwd, sizeof cwd) ? cwd : "?");
    for (int i = 1; i < argc; ++i)
      fprintf(out, " %s", argv[i]);
    fprintf(out, "\n");
    fclose(out);
  }
  const char* until = getenv("VARNET_TEST_LINGER_UNTIL");
  for (int i = 0; until && i < 3000; ++i) {
    FILE* release = fopen(until, "r");
    if (release) {
      fclose(release);
      break;
    }
    linger(20);
  }
  const char* ms = getenv("VARNET_TEST_LINGER_MS");
  if (ms)
    linger(atol(ms));
  return 0;
}
