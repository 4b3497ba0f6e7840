// Saves the thirteen settings into an INI file round after round, as the settings save does, until it is killed.
// Round n writes every value as "<n>:" followed by a filler of its own, so that a reader can tell a whole round
// from a mix of two. Usage: plimo_profile_writer FILE FIRST-ROUND
#include "platform/profile.h"

#include <cstdio>
#include <cstdlib>
#include <string>

#include "settings_rounds.h"

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: plimo_profile_writer FILE FIRST-ROUND\n");
        return 2;
    }
    const std::filesystem::path file = argv[1];
    // Tells the test that the program has started, so that its random delays count from the first round.
    std::fputs("ready\n", stdout);
    std::fflush(stdout);
    for (long round = std::strtol(argv[2], nullptr, 10);; ++round) {
        plimo::ProfileFile profile(file);
        for (const std::string_view key : plimo::test::kRoundKeys) {
            if (!profile.write("OPTIONS", key, plimo::test::RoundValue(round, key))) {
                return 1;
            }
        }
        if (!profile.commit()) {
            return 1;
        }
    }
}
