// A stand-in for any program this layer starts, for tests: it appends one record of how it was
// started to the file named by $BELLTALE_RECORD_STARTS and ends. A record is the number of
// arguments, the working folder and each argument, each followed by a NUL; it is
// written with one write() so records of programs started together never mix.
#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

int main(int argc, char** argv) {
    const char* file = std::getenv("BELLTALE_RECORD_STARTS");
    if (file == nullptr) {
        return 2;
    }
    std::string record = std::to_string(argc - 1);
    record += '\0';
    record += std::filesystem::current_path().string();
    record += '\0';
    for (int i = 1; i < argc; ++i) {
        record += argv[i];
        record += '\0';
    }
    const int fd = ::open(file, O_WRONLY | O_APPEND | O_CREAT, 0600);
    if (fd < 0) {
        return 3;
    }
    const bool written =
        ::write(fd, record.data(), record.size()) == static_cast<ssize_t>(record.size());
    ::close(fd);
    return written ? 0 : 4;
}
