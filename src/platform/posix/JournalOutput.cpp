#include "platform/JournalOutput.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <string>

#include <sys/stat.h>
#include <unistd.h>

namespace {

bool StandardOutputIsJournal()
{
    const char* stream = std::getenv("JOURNAL_STREAM");
    unsigned long long device = 0;
    unsigned long long inode = 0;
    if (stream == nullptr || std::sscanf(stream, "%llu:%llu", &device, &inode) != 2)
        return false;
    struct stat status {};
    return fstat(STDOUT_FILENO, &status) == 0 && status.st_dev == device && status.st_ino == inode;
}

ssize_t WriteWithoutCarriageReturns(void*, const char* bytes, size_t size)
{
    std::string text;
    text.reserve(size);
    for (size_t i = 0; i < size; ++i)
        if (bytes[i] != '\r')
            text.push_back(bytes[i]);
    for (size_t done = 0; done < text.size();) {
        ssize_t written = write(STDOUT_FILENO, text.data() + done, text.size() - done);
        if (written < 0 && errno == EINTR)
            continue;
        if (written < 0)
            return -1;
        done += static_cast<size_t>(written);
    }
    return static_cast<ssize_t>(size);
}

} // namespace

void AdaptStandardOutputToJournal()
{
    if (!StandardOutputIsJournal())
        return;
    cookie_io_functions_t io{nullptr, WriteWithoutCarriageReturns, nullptr, nullptr};
    FILE* journal = fopencookie(nullptr, "w", io);
    if (journal == nullptr)
        return;
    std::setvbuf(journal, nullptr, _IOLBF, 0);
    std::fflush(stdout);
    stdout = journal;
}
