#include "update/maker_site.h"

#include <gtest/gtest.h>

namespace plimo {
namespace {

// Users download the program from the product page, and the version file decides when they are sent there:
// both only over https.
TEST(MakerSite, BothAddressesUseHttpsOnTheConfiguredHost) {
    EXPECT_EQ(ProductPageAddress(), "https://" PLIMO_MAKER_HOST
                                    "/index.php?option=com_content&view=article&id=308:plimo&catid=52:lan-internet"
                                    "&Itemid=80");
    EXPECT_EQ(VersionFileAddress(), "https://" PLIMO_MAKER_HOST "/soft/plimover.txt");
}

}  // namespace
}  // namespace plimo
