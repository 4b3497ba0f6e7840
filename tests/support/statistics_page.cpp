#include "statistics_page.h"

namespace plimo::test {

std::string StatisticsPage(const StatisticsValues& values, std::size_t paddingBytes) {
    std::string page =
        "<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; charset=utf-8\">"
        "<title>Статистика сайта</title></head><body>\n";
    // Ordinary markup with Cyrillic text before the values, as on the real page.
    while (page.size() < paddingBytes) {
        page += "<tr><td class=\"menu\"><a href=\"/stat/\">Посещаемость</a></td><td>Сводка за неделю</td></tr>\n";
    }
    page += "<table>\n";
    if (!values.views.empty()) {
        page += "<tr><td align=left><label for=\"id_0\">Просмотры</label></td>\n<td>" + values.views + "</td>\n";
    }
    if (!values.viewsChange.empty()) {
        page +=
            "<td><a href=\"mins.html\" title=\"разница со значением вчера в это же время\" target=_blank "
            "onClick='return open_mins(\"mins.html\")'><font color=\"#00aa00\"> " +
            values.viewsChange + "</font></a></td></tr>\n";
    }
    if (!values.visitors.empty()) {
        page += "<tr><td align=left><label for=\"id_8\">Посетители</label></td>\n<td>" + values.visitors + "</td>\n";
    }
    if (!values.visitorsChange.empty()) {
        page +=
            "<td><a href=\"mins_vis.html\" title=\"разница со значением вчера в это же время\" target=_blank "
            "onClick='return open_mins(\"mins_vis.html\")'><font color=\"#00aa00\"> " +
            values.visitorsChange + "</font></a></td></tr>\n";
    }
    page += "</table></body></html>\n";
    return page;
}

std::string SignInPage() {
    return "<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; charset=utf-8\">"
           "<title>Статистика сайта</title></head><body>\n"
           "<form action=\"/stat/\" method=\"post\" name=\"loginform\">\n<table>\n"
           "<tr><td>адрес сайта:</td><td><input type=\"text\" name=\"url\" value=\"http://\"></td></tr>\n"
           "<tr><td>пароль:</td><td><input type=\"password\" name=\"password\"></td></tr>\n"
           "<tr><td colspan=2><label><input type=\"checkbox\" name=\"keep_password\" value=\"1\"> запомнить "
           "пароль</label></td></tr>\n"
           "<tr><td colspan=2><input type=\"submit\" value=\"войти\"></td></tr>\n"
           "</table>\n</form></body></html>\n";
}

}  // namespace plimo::test
