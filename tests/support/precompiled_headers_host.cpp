// The program that the test programs' shared precompiled header is built for (see TkrBuild.cmake).
// Nothing runs it.
int main() {
    return 0;
}
