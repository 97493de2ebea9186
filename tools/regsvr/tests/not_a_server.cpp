// A library that loads but is no COM server: it has none of the four entry points.
extern "C" int regsvrTestNotAServer() {
    return 1;
}
