// Writes the demo's parameter and diagnosis databases into a folder:
//   make_demo_db DIR   (the stored copies live in lumotool/resources/demo-db)
#include "demo_databases.h"

#include <cstdio>
#include <string>

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s DIR\n", argv[0]);
        return 2;
    }
    const std::string dir = argv[1];
    std::string error;
    if (!lumo::test::jet4::Write(dir + "/Saeulenparameter.mdb", lumo::test::DemoParameterDatabase(), &error) ||
        !lumo::test::jet4::Write(dir + "/Fehlerdiagnose.mdb", lumo::test::DemoDiagnosisDatabase(), &error)) {
        std::fprintf(stderr, "make_demo_db: %s\n", error.c_str());
        return 1;
    }
    return 0;
}
