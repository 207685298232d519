#ifndef UNLHA_H
#define UNLHA_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Runs one archiver command, for example
 *   u "dst/name.lzh" "src/" "*.doc" -d1     add new and changed files
 *   s "dst/name.lzh" "out/" -gw             make out/name.run, a self-extracting archive
 * and the commands a, l, t, x, e and d. hwnd is not used. output receives a short report or
 * error message, truncated to outputSize bytes and always zero-terminated (it may be null
 * when outputSize is 0). Returns 0 on success; otherwise a code that says what failed.
 * Keeps no state between calls; calls from several threads at once are allowed. */
__attribute__((visibility("default"))) int Unlha(void* hwnd, const char* cmdLine, char* output,
                                                 uint32_t outputSize);

#ifdef __cplusplus
}
#endif

#endif
