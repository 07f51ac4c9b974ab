/* Preloaded into sanitizer runs only. The GL driver is a module that libGL
 * loads and unloads by itself; once unloaded, LeakSanitizer cannot name it and
 * the driver's own caches cannot be told apart from our leaks. Keeping every
 * module mapped until the process ends lets the suppressions match it. */
int dlclose(void *handle) {
    (void)handle;
    return 0;
}
