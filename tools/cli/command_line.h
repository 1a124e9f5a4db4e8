// The command line of glorbe-tool and glorbe-render: a program is a table
// of commands (one or more words, their arguments, their options), parsed
// with getopt_long. Options go anywhere after the command words, as
// "--name value" or "--name=value"; "--" ends them. Every command answers
// --help; the program answers --help and --version.
//
// Exit codes everywhere: 0 done, 1 failed, 2 bad usage.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace glorbe::tools::cli {

inline constexpr int kExitDone = 0;
inline constexpr int kExitFailed = 1;
inline constexpr int kExitUsage = 2;

struct Option {
  const char* name;       // without the dashes: "seek-every"
  const char* valueName;  // "BYTES"; null for a switch
  const char* help;
};

struct Invocation;

struct Command {
  const char* words;      // "archive list"
  const char* arguments;  // as the usage shows them: "ARCHIVE NAME"
  int minArguments = 0;
  int maxArguments = 0;   // -1: no limit
  std::vector<Option> options;
  const char* help;       // what it does; lines after the first explain more
  int (*run)(const Invocation& call) = nullptr;
};

struct Program {
  const char* name;     // "glorbe-tool"
  const char* summary;  // the first line of --help
  std::vector<Command> commands;
};

// A parsed command line, handed to the command's run function.
struct Invocation {
  const Program* program = nullptr;
  const Command* command = nullptr;
  std::vector<std::string> arguments;          // in the order given
  std::map<std::string, std::string> values;   // options with a value (the last one given wins)
  std::vector<std::string> switches;           // switches given

  bool has(const std::string& name) const;     // a switch, or an option with a value
  std::optional<std::string> value(const std::string& name) const;
  const std::string& argument(size_t i) const { return arguments.at(i); }
};

// "NAME: MESSAGE" and the command's usage on standard error; gives 2.
int usageError(const Invocation& call, const std::string& message);
// "NAME: MESSAGE" on standard error; gives 1.
int failure(const Invocation& call, const std::string& message);

// The usage lines of a command: "usage: glorbe-tool archive pack ARCHIVE DIR [--store] ...".
std::string usageLine(const Program& program, const Command& command);
// The whole --help text of a command, and of the program.
std::string commandHelp(const Program& program, const Command& command);
std::string programHelp(const Program& program);

// Parses the arguments after the command words for `command`. False with
// `error` set ("option --size needs a value", "unknown option --x", ...).
// --help is reported through `help`.
bool parseArguments(const Command& command, const std::vector<std::string>& args, Invocation& call, bool& help,
                    std::string& error);

// The whole program: finds the command from the leading words, parses,
// answers --help and --version, checks the argument count and runs it.
// Gives the exit code.
int runProgram(const Program& program, int argc, char** argv);

// Makes the folder an output file goes into when it is missing. False with
// `error` set when it cannot be made.
bool makeOutputFolder(const std::string& path, std::string& error);

// The version both programs print.
const char* versionText();

}  // namespace glorbe::tools::cli
