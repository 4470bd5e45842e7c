// Built only by the layer tests: a file of a layer that includes a header
// of a layer above it, which must not compile.
#include LUMO_PROBE_HEADER
