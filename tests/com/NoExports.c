/* A shared library that loads but exports none of a component's entry points. */
int TarnelNoExports(void) { return 0; }
