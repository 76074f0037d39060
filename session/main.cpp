// Entry point of QW5250 (filled in by the start-up code).
int main() { return 0; }
