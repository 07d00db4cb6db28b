/* A module for the library loading tests: one entry point, and a counter that shows whether the
   module was loaded afresh. */
static int calls;

int QelTestModule_Add(int a, int b) {
    ++calls;
    return a + b;
}

int QelTestModule_Calls(void) { return calls; }
