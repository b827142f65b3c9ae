// Entry point: start-up, the main loop and shutdown.
int main() { return 0; }
