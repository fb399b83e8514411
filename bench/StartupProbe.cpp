// A program that does nothing: built several times, each linked against a different set of
// libraries, so that orvex-bench-startup can time what loading each set costs a process.
int main()
{
    return 0;
}
