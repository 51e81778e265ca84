#include "app/CommandLine.h"

namespace drumo {

CommandLineDecision DecideCommandLine(const std::vector<std::string>& args) {
    CommandLineDecision d;
    if (args.empty()) return d;
    const std::string& arg = args.front();
    if (arg.size() <= 5 || arg.front() != '/') return d;

    std::string ending = arg.substr(arg.size() - 3);
    for (char& ch : ending) ch = static_cast<char>(ch >= 'A' && ch <= 'Z' ? ch + 32 : ch);
    d.Path = arg;
    if (ending == "dml" || ending == "dmr") {
        d.Action = CommandLineAction::OpenArchive;
    } else if (ending == "dmn") {
        d.Action = CommandLineAction::OpenNotebook;
    } else if (ending == "dms") {
        d.Action = CommandLineAction::RefuseSensorFile;
        d.Message = "Доступ к файлу " + arg + " отклонен";
    } else {
        d.Action = CommandLineAction::Unsupported;
        d.Message = "Файл " + arg + " не поддерживается Drumo";
    }
    return d;
}

}  // namespace drumo
