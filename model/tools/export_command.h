// cfatool export-mpcdi CONFIG_OR_CFA OUT.mpcdi [--profile 2d] [--alpha-gamma G] [--warps FILE]
#pragma once

namespace vantis::tool {

// Runs the command on argv[2..]; returns the exit code (0 written, 1 refused
// input or failed write, 2 usage).
int ExportMpcdiCommand(int argc, char** argv);

}  // namespace vantis::tool
