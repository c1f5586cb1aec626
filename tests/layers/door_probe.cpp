// Compiled against one room's target to prove what its include path opens:
// the build names the header to include.
#include DOOR_PROBE_HEADER
