// A library that is no COM server: it loads, but has no DllGetClassObject.
extern "C" int comTestNotAServer() {
    return 1;
}
