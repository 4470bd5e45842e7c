// Feeds arbitrary database files through the lumo-mdb helper's reading code:
// both lookups the program makes, then the answer through its framed form.
// libmdb itself trusts the file and can crash on a damaged one (that is why
// the program reads in a helper process); crashes found here are kept as
// inputs of the tests that check the program survives them.
#include <cstdint>
#include <cstdlib>
#include <string>

#include <sys/mman.h>
#include <unistd.h>

#include "mdbhelper/row_answer.h"
#include "mdbhelper/row_lookup.h"

namespace {

// The input as a file libmdb can open by name, without touching the disk.
class MemoryFile {
public:
    MemoryFile() : fd_(memfd_create("mdb_fuzz", 0)), path_("/proc/self/fd/" + std::to_string(fd_)) {
        if (fd_ < 0) std::abort();
    }
    const std::string& path() const { return path_; }
    void fill(const uint8_t* data, size_t size) {
        if (ftruncate(fd_, 0) != 0 || pwrite(fd_, data, size, 0) != ssize_t(size)) std::abort();
    }

private:
    int fd_;
    std::string path_;
};

void Check(const lumo::mdbrow::Answer& answer) {
    const std::optional<lumo::mdbrow::Answer> back = lumo::mdbrow::Decode(lumo::mdbrow::Encode(answer));
    if (!back || back->outcome != answer.outcome || back->values != answer.values) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static MemoryFile file;
    file.fill(data, size);
    Check(lumo::mdbrow::LookUpRow(file.path(), "Saeulenparameter", "ID-Nummer", "0001234567"));
    Check(lumo::mdbrow::LookUpRow(file.path(), "Fehlerdiagnose", "Diag-Typ", "1"));
    return 0;
}
