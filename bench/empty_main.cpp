// A program that does nothing, linked like qrvl_sim: the baseline of process start-up.
int main() { return 0; }
