// Reads two model files through Orvex.Api of the installed package, compares them and prints
// whether they are equal, with the part count of the first.
#include <orvex/orvex.h>

#include <iostream>

namespace {

// Prints why a file could not be read; false then.
bool Readable(const orvex::ReadResult& result)
{
    if (result) {
        return true;
    }
    std::cerr << result.failure.Text() << "\n";
    return false;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::cerr << "usage: compare FILE FILE\n";
        return 2;
    }
    const orvex::ReadResult a = orvex::Read(argv[1]);
    const orvex::ReadResult b = orvex::Read(argv[2]);
    if (!Readable(a) || !Readable(b)) {
        return 1;
    }
    const orvex::CompareReport report = orvex::Compare(*a.model, *b.model);
    std::cout << "parts " << a.model->Parts().size() << "\n"
              << "equal " << std::boolalpha << report.Equal() << "\n";
    return 0;
}
