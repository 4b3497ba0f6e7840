#include "update/maker_site.h"

namespace plimo {

// https: the product page is where users download the program, and the version file decides when they are sent
// there; neither may be open to a change on the way.
std::string ProductPageAddress() {
    return "https://" PLIMO_MAKER_HOST
           "/index.php?option=com_content&view=article&id=308:plimo&catid=52:lan-internet"
           "&Itemid=80";
}

std::string VersionFileAddress() {
    return "https://" PLIMO_MAKER_HOST "/soft/plimover.txt";
}

}  // namespace plimo
