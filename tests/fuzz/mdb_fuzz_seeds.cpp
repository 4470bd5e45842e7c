// Writes the database fixtures of the lookup tests into a folder, as the
// seed corpus of mdb_fuzz:   mdb_fuzz_seeds DIR
#include "mdb_fixtures.h"

#include <cstdio>
#include <string>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s DIR\n", argv[0]);
        return 2;
    }
    for (lumo::test::NamedFixture fixture : lumo::test::AllFixtures()) {
        // Many rows only make the seed big; a few pages of them are enough.
        if (fixture.name == "MixedTypes") fixture.db = lumo::test::MixedTypes(200);
        std::string error;
        const std::string path = std::string(argv[1]) + "/" + fixture.name + ".mdb";
        if (!lumo::test::jet4::Write(path, fixture.db, &error)) {
            std::fprintf(stderr, "mdb_fuzz_seeds: %s\n", error.c_str());
            return 1;
        }
    }
    return 0;
}
