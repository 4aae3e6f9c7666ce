// Placeholder entry point so that server_core builds on this branch; the server program
// replaces it.
int main() { return 0; }
