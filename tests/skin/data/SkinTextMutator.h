// Deterministic mutations of skin text for the tests that feed skin readers bad input in bulk:
// flips, inserts of characters that matter to the readers, deletions, duplicated lines,
// truncation, values replaced by tricky ones and parents pointed anywhere.
#pragma once

#include <cstdint>
#include <iterator>
#include <random>
#include <string>

namespace korv::test {

class Mutator {
 public:
  explicit Mutator(uint32_t seed) : Rng_(seed) {}
  std::string Mutate(std::string s) {
    static const char kAlphabet[] = "[]=;#$0x-?\r\n ,()9aZ~@^!.\t\x01\xff";
    const int steps = 1 + Pick(6);
    for (int i = 0; i < steps && !s.empty(); ++i) {
      size_t at = static_cast<size_t>(Pick(static_cast<int>(s.size())));
      switch (Pick(7)) {
        case 0:
          s[at] = static_cast<char>(Pick(256));
          break;
        case 1:
          s.insert(at, 1, kAlphabet[Pick(sizeof kAlphabet - 1)]);
          break;
        case 2:
          s.erase(at, static_cast<size_t>(1 + Pick(8)));
          break;
        case 3: {  // duplicate a line
          size_t b = s.rfind('\n', at), e = s.find('\n', at);
          b = b == std::string::npos ? 0 : b + 1;
          if (e == std::string::npos) e = s.size();
          s.insert(b, s.substr(b, e - b) + "\n");
          break;
        }
        case 4:
          s.resize(at);
          break;
        case 5: {  // a value becomes something numeric-looking or not
          static const char* kValues[] = {"-1",   "?",           "",           " ",         "0x",
                                          "$",    "99999999999", "0xFFFFFFFF", "1;2;3;4;5", "1;;2;;3;;4;;x",
                                          "TRUE", "abc",         "-",          "#",         "#(1,2)(3)"};
          size_t eq = s.find('=', at);
          if (eq != std::string::npos) {
            size_t e = s.find('\n', eq);
            s.replace(eq + 1, (e == std::string::npos ? s.size() : e) - eq - 1, kValues[Pick(std::size(kValues))]);
          }
          break;
        }
        default: {  // point a parent somewhere
          static const char* kParents[] = {"FORM", "BASE", "LOOP1", "GLOBALINFO", "MISSING", "form", ""};
          s.insert(at, std::string("\nPARENTCLASS=") + kParents[Pick(std::size(kParents))] + "\n");
          break;
        }
      }
    }
    return s;
  }

 private:
  int Pick(size_t n) { return static_cast<int>(Rng_() % n); }
  std::mt19937 Rng_;
};

}  // namespace korv::test
