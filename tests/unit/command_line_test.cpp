// The command-line parser of glorbe-tool and glorbe-render: options
// anywhere, both value forms, the messages of bad usage, and the command
// chosen by its words.
#include <gtest/gtest.h>

#include "cli/command_line.h"

namespace glorbe::tools::cli {
namespace {

int ran = 0;
int record(const Invocation&) { return ++ran, 0; }

const Command kPack{"archive pack", "ARCHIVE DIR", 2, 2,
                    {{"store", nullptr, "no compression"}, {"seek-every", "BYTES", "seek points"}},
                    "packs a folder", record};

struct Parsed {
  bool ok = false;
  bool help = false;
  std::string error;
  Invocation call;
};

Parsed parse(const Command& command, std::vector<std::string> args) {
  Parsed p;
  p.ok = parseArguments(command, args, p.call, p.help, p.error);
  return p;
}

TEST(CommandLine, OptionsGoAnywhereInEitherForm) {
  for (const auto& args : std::vector<std::vector<std::string>>{
           {"a.zip", "dir", "--store", "--seek-every", "100"},
           {"--seek-every=100", "a.zip", "--store", "dir"},
           {"--store", "--seek-every", "100", "a.zip", "dir"},
       }) {
    const Parsed p = parse(kPack, args);
    ASSERT_TRUE(p.ok) << p.error;
    EXPECT_EQ(p.call.arguments, (std::vector<std::string>{"a.zip", "dir"}));
    EXPECT_TRUE(p.call.has("store"));
    EXPECT_EQ(p.call.value("seek-every"), "100");
  }
  // "--" ends the options: what follows is an argument, even with dashes.
  const Parsed p = parse(kPack, {"--", "--store", "dir"});
  ASSERT_TRUE(p.ok) << p.error;
  EXPECT_EQ(p.call.arguments, (std::vector<std::string>{"--store", "dir"}));
  EXPECT_FALSE(p.call.has("store"));
  // A value that starts with a dash is still the value.
  EXPECT_EQ(parse(kPack, {"a", "b", "--seek-every", "-5"}).call.value("seek-every"), "-5");
  // A negative number is an argument wherever it stands (numbers for the
  // deformers of model distort); a dash and a letter is still an option.
  const Parsed numbers = parse(kPack, {"-1", "--seek-every", "-2", "-.5"});
  ASSERT_TRUE(numbers.ok) << numbers.error;
  EXPECT_EQ(numbers.call.arguments, (std::vector<std::string>{"-1", "-.5"}));
  EXPECT_EQ(numbers.call.value("seek-every"), "-2");
  EXPECT_FALSE(parse(kPack, {"-1", "-x"}).ok);
  // The last of a repeated option wins; an empty value is a value.
  EXPECT_EQ(parse(kPack, {"a", "b", "--seek-every=1", "--seek-every=2"}).call.value("seek-every"), "2");
  EXPECT_EQ(parse(kPack, {"a", "b", "--seek-every="}).call.value("seek-every"), "");
}

TEST(CommandLine, BadUsageSaysWhat) {
  auto error = [](std::vector<std::string> args) {
    const Parsed p = parse(kPack, args);
    return p.ok ? std::string("(accepted)") : p.error;
  };
  EXPECT_EQ(error({"a", "b", "--seek-every"}), "option --seek-every needs a value");
  EXPECT_EQ(error({"a", "b", "--store=yes"}), "option --store takes no value");
  EXPECT_EQ(error({"a", "b", "--stor"}), "unknown option --stor");
  EXPECT_EQ(error({"a", "b", "--wobble=3"}), "unknown option --wobble");
  EXPECT_EQ(error({"a", "b", "-x"}), "unknown option -x");
  EXPECT_EQ(error({}), "expected ARCHIVE DIR");
  EXPECT_EQ(error({"a"}), "too few arguments; expected ARCHIVE DIR");
  EXPECT_EQ(error({"a", "b", "c"}), "unexpected argument \"c\"");
  // --help wins over anything else wrong.
  const Parsed help = parse(kPack, {"--help", "too", "many", "words"});
  EXPECT_TRUE(help.ok && help.help);
  EXPECT_TRUE(parse(kPack, {"-h"}).help);
}

TEST(CommandLine, TheCommandOfMostWordsRunsWithExitCodes) {
  static int which = 0;
  const Program program{"prog", "a test program",
                        {{"art", "KIND OUT", 2, 2, {{"text", "TEXT", "words"}}, "draws",
                          [](const Invocation& c) { return which = 1, c.value("text") ? 0 : 1; }},
                         {"art list", "", 0, 0, {}, "lists", [](const Invocation&) { return which = 2, 0; }}}};
  auto run = [&](std::vector<std::string> words) {
    words.insert(words.begin(), "prog");
    std::vector<char*> argv;
    for (std::string& w : words) argv.push_back(w.data());
    return runProgram(program, static_cast<int>(argv.size()), argv.data());
  };
  EXPECT_EQ(run({"art", "list"}), 0);
  EXPECT_EQ(which, 2);
  EXPECT_EQ(run({"art", "planet", "out.png", "--text=hi"}), 0);
  EXPECT_EQ(which, 1);
  EXPECT_EQ(run({"art", "planet", "out.png"}), 1) << "the command's own failure";
  which = 0;
  EXPECT_EQ(run({"art", "planet"}), 2);
  EXPECT_EQ(run({"art", "list", "extra"}), 2);
  EXPECT_EQ(run({"paint"}), 2);
  EXPECT_EQ(run({}), 2);
  EXPECT_EQ(which, 0) << "nothing ran on bad usage";
  EXPECT_EQ(run({"--version"}), 0);
  EXPECT_EQ(run({"--help"}), 0);
  EXPECT_EQ(run({"art", "list", "--help"}), 0);
  EXPECT_EQ(which, 0) << "--help runs nothing";
}

TEST(CommandLine, HelpShowsTheUsageAndEveryOption) {
  const Program program{"glorbe-tool", "tools", {kPack}};
  EXPECT_EQ(usageLine(program, kPack), "usage: glorbe-tool archive pack ARCHIVE DIR [--store] [--seek-every BYTES]");
  const std::string help = commandHelp(program, kPack);
  EXPECT_NE(help.find("  --seek-every BYTES  seek points\n"), std::string::npos) << help;
  EXPECT_NE(help.find("  --help"), std::string::npos) << help;
  EXPECT_NE(programHelp(program).find("  glorbe-tool archive pack ARCHIVE DIR [--store] [--seek-every BYTES]\n"
                                     "      packs a folder"), std::string::npos);
}

}  // namespace
}  // namespace glorbe::tools::cli
