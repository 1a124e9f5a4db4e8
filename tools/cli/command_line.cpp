#include "cli/command_line.h"

#include <getopt.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <sstream>

#ifndef GLORBE_VERSION
#define GLORBE_VERSION "unknown"
#endif

namespace glorbe::tools::cli {

namespace {

// getopt_long's value for option i of a command; --help comes after them.
constexpr int kFirstOptionValue = 1000;

bool isDigit(char c) { return c >= '0' && c <= '9'; }

bool isNegativeNumber(const std::string& word) {
  if (word.size() < 2 || word[0] != '-') return false;
  return isDigit(word[1]) || (word[1] == '.' && word.size() > 2 && isDigit(word[2]));
}

std::vector<std::string> splitWords(const char* text) {
  std::istringstream in(text);
  std::vector<std::string> words;
  for (std::string w; in >> w;) words.push_back(w);
  return words;
}

std::string optionUsage(const Option& o) {
  std::string text = std::string("--") + o.name;
  if (o.valueName != nullptr) text += std::string(" ") + o.valueName;
  return "[" + text + "]";
}

// The text of an argument as the user typed it, without "=value".
std::string optionText(const std::string& arg) { return arg.substr(0, arg.find('=')); }

}  // namespace

const char* versionText() { return GLORBE_VERSION; }

bool makeOutputFolder(const std::string& path, std::string& error) {
  const std::filesystem::path folder = std::filesystem::path(path).parent_path();
  if (folder.empty()) return true;
  std::error_code ec;
  std::filesystem::create_directories(folder, ec);
  if (std::filesystem::is_directory(folder)) return true;
  error = "cannot make the folder " + folder.string() + (ec ? ": " + ec.message() : "");
  return false;
}

bool Invocation::has(const std::string& name) const {
  return values.count(name) != 0 || std::find(switches.begin(), switches.end(), name) != switches.end();
}

std::optional<std::string> Invocation::value(const std::string& name) const {
  const auto it = values.find(name);
  if (it == values.end()) return std::nullopt;
  return it->second;
}

std::string usageLine(const Program& program, const Command& command) {
  std::string line = std::string("usage: ") + program.name;
  if (*command.words != '\0') line += std::string(" ") + command.words;
  if (*command.arguments != '\0') line += std::string(" ") + command.arguments;
  for (const Option& o : command.options) line += " " + optionUsage(o);
  return line;
}

std::string commandHelp(const Program& program, const Command& command) {
  std::string text = usageLine(program, command) + "\n\n" + command.help + "\n";
  size_t width = 6;  // "--help"
  for (const Option& o : command.options) {
    width = std::max(width, 2 + std::strlen(o.name) + (o.valueName ? 1 + std::strlen(o.valueName) : 0));
  }
  text += "\noptions:\n";
  auto row = [&](const std::string& left, const char* help) {
    text += "  " + left + std::string(width + 2 - left.size(), ' ') + help + "\n";
  };
  for (const Option& o : command.options) {
    row(std::string("--") + o.name + (o.valueName ? std::string(" ") + o.valueName : ""), o.help);
  }
  row("--help", "this text");
  return text;
}

std::string programHelp(const Program& program) {
  std::string text = std::string(program.summary) + "\n\nusage: " + program.name + " COMMAND ... [--help]\n";
  text += std::string("       ") + program.name + " --version\n\ncommands:\n";
  for (const Command& c : program.commands) {
    const std::string shown = "  " + usageLine(program, c).substr(std::strlen("usage: "));
    const std::string first = std::string(c.help).substr(0, std::string(c.help).find('\n'));
    text += shown + "\n      " + first + "\n";
  }
  text += std::string("\n") + program.name + " COMMAND --help tells more of one.\n";
  return text;
}

int usageError(const Invocation& call, const std::string& message) {
  std::fprintf(stderr, "%s: %s\n%s\n", call.program->name, message.c_str(),
               usageLine(*call.program, *call.command).c_str());
  return kExitUsage;
}

int failure(const Invocation& call, const std::string& message) {
  std::fprintf(stderr, "%s: %s\n", call.program->name, message.c_str());
  return kExitFailed;
}

bool parseArguments(const Command& command, const std::vector<std::string>& args, Invocation& call, bool& help,
                    std::string& error) {
  help = false;
  call.command = &command;
  call.arguments.clear();
  call.values.clear();
  call.switches.clear();

  std::vector<option> table;
  for (size_t i = 0; i < command.options.size(); ++i) {
    const Option& o = command.options[i];
    table.push_back({o.name, o.valueName ? required_argument : no_argument, nullptr,
                     kFirstOptionValue + static_cast<int>(i)});
  }
  const int helpValue = kFirstOptionValue + static_cast<int>(command.options.size());
  table.push_back({"help", no_argument, nullptr, helpValue});
  table.push_back({nullptr, 0, nullptr, 0});

  // getopt_long permutes its array: it gets a copy, with a program name first.
  // A negative number ("-1", "-0.5", "-.5") is an argument, not an option:
  // getopt_long sees a stand-in without the dash, taken back afterwards.
  std::vector<std::string> words;
  words.push_back("");
  std::map<std::string, std::string> negatives;
  bool ended = false;
  for (const std::string& a : args) {
    ended = ended || a == "--";
    if (!ended && isNegativeNumber(a)) {
      const std::string standIn = "\x1F" + std::to_string(negatives.size());
      negatives[standIn] = a;
      words.push_back(standIn);
    } else {
      words.push_back(a);
    }
  }
  const auto original = [&](const std::string& w) {
    const auto found = negatives.find(w);
    return found == negatives.end() ? w : found->second;
  };
  std::vector<char*> argv;
  for (std::string& w : words) argv.push_back(w.data());
  argv.push_back(nullptr);
  const int argc = static_cast<int>(words.size());

  optind = 0;  // a fresh scan every time
  opterr = 0;  // the messages are ours
  for (;;) {
    int index = -1;
    const int got = getopt_long(argc, argv.data(), ":h", table.data(), &index);
    if (got == -1) break;
    const std::string seen = optind - 1 < argc && optind >= 1 ? argv[static_cast<size_t>(optind - 1)] : "";
    if (got == 'h' || got == helpValue) {
      help = true;
      continue;
    }
    if (got == ':') {
      const int i = optopt - kFirstOptionValue;
      error = i >= 0 && i < static_cast<int>(command.options.size())
                  ? std::string("option --") + command.options[static_cast<size_t>(i)].name + " needs a value"
                  : "option " + optionText(seen) + " needs a value";
      return false;
    }
    if (got == '?') {
      const int i = optopt - kFirstOptionValue;
      if (i >= 0 && i < static_cast<int>(command.options.size())) {
        error = std::string("option --") + command.options[static_cast<size_t>(i)].name + " takes no value";
      } else if (optopt != 0 && optopt < kFirstOptionValue) {
        error = std::string("unknown option -") + static_cast<char>(optopt);
      } else {
        error = "unknown option " + optionText(seen);
      }
      return false;
    }
    const Option& o = command.options[static_cast<size_t>(got - kFirstOptionValue)];
    // The option as typed: before its value when that came as the next word.
    std::string typed = seen;
    if (o.valueName != nullptr && optarg == argv[static_cast<size_t>(optind - 1)] && optind >= 2) {
      typed = argv[static_cast<size_t>(optind - 2)];
    }
    // An abbreviation that getopt_long would take is not an option of ours.
    if (optionText(typed) != std::string("--") + o.name) {
      error = "unknown option " + optionText(typed);
      return false;
    }
    if (o.valueName != nullptr) {
      call.values[o.name] = original(optarg);
    } else if (!call.has(o.name)) {
      call.switches.push_back(o.name);
    }
  }
  for (int i = optind; i < argc; ++i) call.arguments.push_back(original(argv[static_cast<size_t>(i)]));
  if (help) return true;
  const int count = static_cast<int>(call.arguments.size());
  if (count < command.minArguments) {
    error = count == 0 ? std::string("expected ") + command.arguments
                       : std::string("too few arguments; expected ") + command.arguments;
    return false;
  }
  if (command.maxArguments >= 0 && count > command.maxArguments) {
    error = "unexpected argument \"" + call.arguments[static_cast<size_t>(command.maxArguments)] + "\"";
    return false;
  }
  return true;
}

int runProgram(const Program& program, int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  Invocation call;
  call.program = &program;
  // A program of one command without words (glorbe-render) is that command.
  const bool single = program.commands.size() == 1 && *program.commands[0].words == '\0';
  if (single && !args.empty() && args[0] == "--version") {
    std::printf("%s %s\n", program.name, versionText());
    return kExitDone;
  }
  if (single) {
    const Command& only = program.commands[0];
    bool help = false;
    std::string error;
    if (!parseArguments(only, args, call, help, error)) return usageError(call, error);
    if (help) {
      std::fputs(commandHelp(program, only).c_str(), stdout);
      return kExitDone;
    }
    return only.run(call);
  }
  if (args.empty()) {
    std::fputs(programHelp(program).c_str(), stderr);
    return kExitUsage;
  }
  if (args[0] == "--help" || args[0] == "-h") {
    std::fputs(programHelp(program).c_str(), stdout);
    return kExitDone;
  }
  if (args[0] == "--version") {
    std::printf("%s %s\n", program.name, versionText());
    return kExitDone;
  }

  // The command whose words lead the arguments; the one of most words wins.
  const Command* found = nullptr;
  size_t foundWords = 0;
  for (const Command& c : program.commands) {
    const std::vector<std::string> words = splitWords(c.words);
    if (words.size() > args.size() || words.size() < foundWords) continue;
    if (std::equal(words.begin(), words.end(), args.begin()) && (found == nullptr || words.size() > foundWords)) {
      found = &c;
      foundWords = words.size();
    }
  }
  if (found == nullptr) {
    // A word that starts commands but is not one of them alone: list those.
    std::vector<const Command*> family;
    for (const Command& c : program.commands) {
      if (splitWords(c.words).front() == args[0]) family.push_back(&c);
    }
    if (family.empty()) {
      std::fprintf(stderr, "%s: unknown command \"%s\" (%s --help lists them)\n", program.name, args[0].c_str(),
                   program.name);
      return kExitUsage;
    }
    const bool askedForHelp = args.size() >= 2 && (args[1] == "--help" || args[1] == "-h");
    FILE* to = askedForHelp ? stdout : stderr;
    if (!askedForHelp) {
      std::fprintf(stderr, "%s: %s\n", program.name,
                   args.size() < 2 ? ("\"" + args[0] + "\" needs one of its commands").c_str()
                                   : ("unknown " + args[0] + " command \"" + args[1] + "\"").c_str());
    }
    for (const Command* c : family) std::fprintf(to, "%s\n", usageLine(program, *c).c_str());
    return askedForHelp ? kExitDone : kExitUsage;
  }
  args.erase(args.begin(), args.begin() + static_cast<std::ptrdiff_t>(foundWords));

  bool help = false;
  std::string error;
  if (!parseArguments(*found, args, call, help, error)) return usageError(call, error);
  if (help) {
    std::fputs(commandHelp(program, *found).c_str(), stdout);
    return kExitDone;
  }
  return found->run(call);
}

}  // namespace glorbe::tools::cli
