// Contents of the demo's parameter and diagnosis databases
// (lumotool/resources/demo-db/), which the program finds beside itself when
// it runs against the simulated controller. make_demo_db writes the files;
// a test checks that the stored files equal what this data gives.
#pragma once

#include "jet4_writer.h"

namespace lumo::test {

// The simulated controller's identification number, as the lookups get it.
inline constexpr char kDemoIdent[] = "0001234567";

jet4::Database DemoParameterDatabase();
jet4::Database DemoDiagnosisDatabase();

}  // namespace lumo::test
