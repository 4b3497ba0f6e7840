// The core tests' main: GoogleTest's own, in the ANSI code page the run asks for.
#include <gtest/gtest.h>

#include "ansi_code_page.h"

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    plimo::test::ChooseAnsiCodePageFromEnvironment();
    return RUN_ALL_TESTS();
}
