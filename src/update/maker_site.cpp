#include "update/maker_site.h"

namespace plimo {

std::string ProductPageAddress() {
    return "http://" PLIMO_MAKER_HOST
           "/index.php?option=com_content&view=article&id=308:plimo&catid=52:lan-internet"
           "&Itemid=80";
}

std::string VersionFileAddress() {
    return "http://" PLIMO_MAKER_HOST "/soft/plimover.txt";
}

}  // namespace plimo
