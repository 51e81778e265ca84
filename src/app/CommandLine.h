#pragma once
// What the program does with its command line. Only the first argument counts, and only when it
// is a full path: "/" first and more than 5 characters. Its last three characters, in lower case,
// decide: archives ("dml", "dmr") and notebooks ("dmn") are opened, sensor files ("dms") and
// anything else are refused with a message. Every other argument is ignored.

#include <string>
#include <vector>

namespace drumo {

enum class CommandLineAction {
    None,             // start normally (search, device actions)
    OpenArchive,      // show the time graph and the length trend, load the file as a group of one
    OpenNotebook,     // show the notebook window and open the file in it
    RefuseSensorFile, // information message
    Unsupported,      // error message
};

struct CommandLineDecision {
    CommandLineAction Action = CommandLineAction::None;
    std::string Path;     // the argument, for the opening actions and the messages
    std::string Message;  // the text of the message for the two refusals
};

// `args` are the arguments after the program name.
CommandLineDecision DecideCommandLine(const std::vector<std::string>& args);

}  // namespace drumo
