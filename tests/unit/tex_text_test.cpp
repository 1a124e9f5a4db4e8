// The texture programs' text form: assembling, disassembling, round trips
// and the messages for mistakes.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <iterator>

#include "common/random_source.h"
#include "texprog/tex_text.h"

namespace glorbe::tools {
namespace {

TEST(TexText, AssemblesNamedAndNumberedParameters) {
  const std::string source =
      "# clouds\n"
      "noise layer=1 cell=16 seed=4711 range=256 colour=1\n"
      "  blur from=1 to=1   # softer\n"
      "\n"
      "list 3\n"
      "fill layer=4 red=255 blue=-0.5e1\n"
      "op 57 p0=1 p9=bits:7fc00001\n"
      "twirl from=4 to=4 strength=3 divisor=0.25 p7=2\n";
  TexProgram program;
  std::string error;
  ASSERT_TRUE(assembleTexProgram(source, "clouds.txt", program, error)) << error;
  const TexStepList& first = program.lists[0];
  ASSERT_EQ(first.stepCount, 2);
  EXPECT_EQ(first.opcodes[0], kTexNoise);
  EXPECT_EQ(first.params[0], (TexParams{1, 16, 4711, 256, 1}));
  EXPECT_EQ(first.opcodes[1], kTexBlur);
  EXPECT_EQ(first.params[1], (TexParams{1, 1}));
  const TexStepList& fourth = program.lists[3];
  ASSERT_EQ(fourth.stepCount, 3);
  EXPECT_EQ(fourth.params[0], (TexParams{4, 255, 0, -5}));
  EXPECT_EQ(fourth.opcodes[1], 57);
  EXPECT_EQ(std::bit_cast<uint32_t>(fourth.params[1][9]), 0x7fc00001u);
  EXPECT_EQ(fourth.params[2], (TexParams{4, 4, 3, 0.25f, 0, 0, 0, 2}));
  for (int l : {1, 2, 4}) EXPECT_EQ(program.lists[static_cast<size_t>(l)].stepCount, 0);
}

TEST(TexText, DisassemblyAssemblesToTheSameProgram) {
  // Random programs of every operation, unknown opcodes and odd floats.
  resetRandomSource();
  const auto& ops = texOperations();
  const float specials[] = {0.0f, -0.0f, 1.0f, 0.1f, -3.75f, 1e-40f, 3.4e38f, 16777217.0f,
                            std::numeric_limits<float>::infinity(), std::numeric_limits<float>::quiet_NaN(),
                            // the largest floats print as decimals just above them (found by fuzzing)
                            std::numeric_limits<float>::max(), -std::numeric_limits<float>::max(),
                            std::numeric_limits<float>::denorm_min()};
  for (int round = 0; round < 20; ++round) {
    TexProgram program;
    for (TexStepList& list : program.lists) {
      list.stepCount = randomBelow(101);
      for (int32_t s = 0; s < list.stepCount; ++s) {
        const int pick = randomBelow(static_cast<int32_t>(ops.size()) + 1);
        list.opcodes[static_cast<size_t>(s)] = pick < static_cast<int>(ops.size()) ? ops[static_cast<size_t>(pick)].opcode
                                                                                  : randomBelow(1000) - 500;
        for (float& p : list.params[static_cast<size_t>(s)]) {
          const int kind = randomBelow(3);
          p = kind == 0 ? 0.0f
              : kind == 1 ? specials[randomBelow(static_cast<int32_t>(std::size(specials)))]
                          : std::bit_cast<float>(static_cast<uint32_t>(randomBelow(2147483647)) * 2u + 1u);
        }
      }
    }
    const std::string text = disassembleTexProgram(program);
    TexProgram back;
    std::string error;
    ASSERT_TRUE(assembleTexProgram(text, "round", back, error)) << error;
    ASSERT_EQ(encodeTexProgram(back), encodeTexProgram(program)) << text;
  }
}

TEST(TexText, DisassemblyReadsLikeTheSource) {
  TexProgram program;
  program.lists[1].stepCount = 1;
  program.lists[1].opcodes[0] = kTexBlend;
  program.lists[1].params[0] = {0, 1, 4, 0.3f, -1};
  program.lists[2].stepCount = 250;
  program.lists[2].opcodes.fill(kTexInvert);
  program.lists[4].stepCount = -2;
  const std::string text = disassembleTexProgram(program);
  EXPECT_EQ(text.substr(0, text.find("list 2")), "list 1\nblend a=0 b=1 to=4 fa=0.3 fb=-1\n");
  EXPECT_NE(text.find("list 2\n# the file gives this list 250 steps; the engine runs 100\ninvert from=0 to=0\n"),
            std::string::npos);
  EXPECT_NE(text.find("list 4\n# the file gives this list -2 steps; the engine runs 0\n"), std::string::npos);
  EXPECT_EQ(formatTexValue(std::numeric_limits<float>::infinity()), "bits:7f800000");
  EXPECT_EQ(formatTexValue(-0.0f), "-0");
}

TEST(TexText, MistakesAreNamedWithTheirLine) {
  auto errorOf = [](const std::string& source) {
    TexProgram program;
    std::string error;
    EXPECT_FALSE(assembleTexProgram(source, "my.txt", program, error)) << source;
    return error;
  };
  EXPECT_EQ(errorOf("fill layer=0\nsmudge layer=1\n"), "my.txt:2: unknown operation \"smudge\"");
  EXPECT_EQ(errorOf("blur from=0 size=3"),
            "my.txt:1: \"size\" is not a parameter of blur (its parameters: from to, or p0 to p9)");
  EXPECT_EQ(errorOf("fill layer=0 p0=1"), "my.txt:1: parameter \"p0\" is given twice");
  EXPECT_EQ(errorOf("fill layer=zero"),
            "my.txt:1: \"zero\" is not a number (a decimal such as 0.25, or bits:HEX for a raw float)");
  EXPECT_NE(errorOf("fill layer=1e39").find("is not a number"), std::string::npos) << "beyond the float range";
  EXPECT_EQ(errorOf("fill layer"), "my.txt:1: expected NAME=VALUE, not \"layer\"");
  EXPECT_EQ(errorOf("list 5"), "my.txt:1: expected \"list N\" with N from 0 to 4");
  EXPECT_EQ(errorOf("list 2\nlist 1\nlist 2"), "my.txt:3: list 2 is given twice");
  EXPECT_EQ(errorOf("invert\nlist 0"), "my.txt:2: list 0 is given twice");
  EXPECT_EQ(errorOf("op x"), "my.txt:1: expected \"op NUMBER\" followed by parameters p0=... to p9=...");
  std::string full = "list 4\n";
  for (int i = 0; i < 101; ++i) full += "invert from=0 to=1\n";
  EXPECT_EQ(errorOf(full), "my.txt:102: list 4 has more than 100 steps");
}

}  // namespace
}  // namespace glorbe::tools
