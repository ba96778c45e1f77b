// The embedded skin documents (XML resources 100 to 106): each parses from its
// resource bytes and holds exactly the skins, style classes, strings, layout
// and list-item template the program is built on.
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <vector>

#include "tests/res/resource_bytes.h"

namespace {

const char kBom[] = "\xEF\xBB\xBF";

bool StartsWithBom(const std::string& bytes) { return bytes.compare(0, 3, kBom) == 0; }

// ---------------------------------------------------------------- all documents

TEST(EmbeddedDocuments, EveryDocumentIsPresentInChineseSimplifiedOnly) {
  // 107 is the list's right-click menu; 108 the timetable page, 109 its
  // list's rows, 110 the departure-time menu, 111 the help page and 112 the
  // fare page.
  for (int id = 100; id <= 112; ++id) {
    SCOPED_TRACE(id);
    EXPECT_EQ(ResourceLanguages(L"XML", id), std::vector<WORD>{2052});
    EXPECT_FALSE(ResourceBytes(L"XML", id).empty());
  }
  EXPECT_TRUE(ResourceBytes(L"XML", 113).empty());
}

TEST(EmbeddedDocuments, AllButTheStyleDocumentBeginWithAByteOrderMark) {
  for (int id = 100; id <= 106; ++id) {
    SCOPED_TRACE(id);
    std::string bytes = ResourceBytes(L"XML", id);
    EXPECT_EQ(StartsWithBom(bytes), id != 101);
    // Exactly one mark: the text right after it is markup.
    size_t start = StartsWithBom(bytes) ? 3 : 0;
    ASSERT_GT(bytes.size(), start);
    EXPECT_EQ(bytes[start], '<');
  }
}

TEST(EmbeddedDocuments, EveryDocumentParsesAsUtf8) {
  for (int id = 100; id <= 106; ++id) {
    SCOPED_TRACE(id);
    ParsedXml xml;
    LoadXmlResource(id, xml);
    EXPECT_TRUE(xml.ok) << xml.doc.ErrorDesc();
    EXPECT_NE(xml.doc.FirstChildElement(), nullptr);
  }
}

// ---------------------------------------------------------------- 100: skins

struct SkinRow {
  const char* tag;
  AttributeList attributes;
};

TEST(SkinDocument, DefinesItsSkinsWithTheirAttributes) {
  ParsedXml xml;
  LoadXmlResource(100, xml);
  ASSERT_TRUE(xml.ok);
  const TiXmlElement* root = xml.doc.RootElement();
  ASSERT_STREQ(root->Value(), "skins");
  const std::vector<SkinRow> expected = {
      {"imghorzex", {{"name", "mainbghead"}, {"src", "1"}, {"height", "29"}, {"imgpos", "6,1,6"}}},
      {"imgframe", {{"name", "mainbgbody"}, {"src", "2"}, {"left", "4"}, {"top", "4"}, {"crbg", "FBFCFD"}}},
      {"imghorzex", {{"name", "mainbgfoot"}, {"src", "3"}, {"height", "23"}, {"imgpos", "6,1,6"}}},
      {"png", {{"name", "closebtn"}, {"src", "1"}, {"subwidth", "39"}, {"height", "19"}}},
      {"png", {{"name", "minbtn"}, {"src", "2"}, {"subwidth", "29"}, {"height", "19"}}},
      // The maximise button and its look while the window is maximised.
      {"png", {{"name", "maxbtn"}, {"src", "12"}, {"subwidth", "29"}, {"height", "19"}}},
      {"png", {{"name", "restorebtn"}, {"src", "13"}, {"subwidth", "29"}, {"height", "19"}}},
      {"png", {{"name", "logomodule"}, {"src", "3"}, {"subwidth", "71"}, {"height", "71"}}},
      {"png", {{"name", "tabmain"}, {"src", "4"}, {"subwidth", "71"}, {"height", "71"}}},
      {"pngex", {{"name", "edit_bg"}, {"src", "5"}, {"imgpos", "10,10,10"}}},
      {"checkbox", {{"name", "checkbox_bg"}, {"src", "6"}, {"subsize", "16"}}},
      {"pngex", {{"name", "search_bg"}, {"src", "7"}, {"imgpos", "1,69,1"}}},
      {"pngex", {{"name", "search"}, {"src", "8"}, {"imgpos", "1,69,1"}}},
      {"pngex", {{"name", "ing"}, {"src", "9"}, {"subwidth", "48"}, {"imgpos", "1,46,1"}}},
      // The right-click menu's hovered item.
      {"gradation", {{"name", "rowmenu_sel"}, {"from", "D6E8FA"}, {"to", "C2DCF6"}, {"direction", "1"}}},
      // A refused date's frame and the calendar button.
      {"pngex", {{"name", "edit_bg_invalid"}, {"src", "10"}, {"imgpos", "10,10,10"}}},
      {"png", {{"name", "calbtn"}, {"src", "11"}, {"subwidth", "18"}, {"height", "18"}}},
      // The help page's buttons.
      {"button", {{"name", "helpbtn"}, {"bg", "FFFFFF"}, {"border", "8DA2BA"}, {"bgup", "F4FAFE"},
                  {"bguphover", "E3F3FC"}, {"bguppush", "C8E6F7"}, {"bgdown", "C8E6F7"}, {"bgdownhover", "C8E6F7"},
                  {"bgdownpush", "B7DCF3"}}},
  };
  std::vector<const TiXmlElement*> skins = Children(root);
  ASSERT_EQ(skins.size(), expected.size());
  for (size_t i = 0; i < skins.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_STREQ(skins[i]->Value(), expected[i].tag);
    EXPECT_EQ(Attributes(skins[i]), expected[i].attributes);
  }
}

TEST(SkinDocument, ImageSkinsNameImagesThatAreEmbedded) {
  ParsedXml xml;
  LoadXmlResource(100, xml);
  ASSERT_TRUE(xml.ok);
  for (const TiXmlElement* skin : Children(xml.doc.RootElement())) {
    SCOPED_TRACE(Attr(skin, "name"));
    if (!skin->Attribute("src")) continue;  // drawn from colours
    int src = std::stoi(Attr(skin, "src"));
    std::string tag = skin->Value();
    bool bitmap = tag.compare(0, 3, "img") == 0;
    if (bitmap)
      EXPECT_FALSE(ResourceBytes(MAKEINTRESOURCEW(2) /* RT_BITMAP */, src).empty());
    else
      EXPECT_FALSE(ResourceBytes(L"PNG", src).empty());
  }
}

// ---------------------------------------------------------------- 101: style classes

TEST(StyleDocument, DefinesItsStyleClasses) {
  ParsedXml xml;
  LoadXmlResource(101, xml);
  ASSERT_TRUE(xml.ok);
  const TiXmlElement* root = xml.doc.RootElement();
  ASSERT_STREQ(root->Value(), "style");
  const std::vector<AttributeList> expected = {
      {{"name", "mainhead"}, {"skin", "mainbghead"}, {"border", "mainborderhead"}, {"font", "0000"},
       {"crtext", "000000"}, {"crbg", "FBFCFD"}},
      {{"name", "mainbody"}, {"skin", "mainbgbody"}, {"border", "mainborderbody"}, {"font", "0000"},
       {"crtext", "FFFFFF"}, {"crbg", "FBFCFD"}, {"x-margin", "3"}},
      {{"name", "mainfoot"}, {"skin", "mainbgfoot"}, {"border", "mainborderfoot"}, {"font", "0000"},
       {"crtext", "000000"}, {"crbg", "FBFCFD"}, {"x-margin", "10"}, {"y-margin", "1"}},
      {{"name", "linkimage"}, {"cursor", "hand"}},
      {{"name", "settingpage"}, {"crbg", "FBFCFD"}, {"y-margin", "10"}},
      {{"name", "dlgtitle"}, {"textmode", "8024"}, {"font", "0004"}},
      {{"name", "dt_8034"}, {"textmode", "8034"}},
      {{"name", "fill"}, {"crbg", "999999"}},
      {{"name", "vcenter"}, {"textmode", "0025"}, {"crtext", "000000"}},
      {{"name", "blue_linkimage"}, {"crtext", "45B1E5"}, {"cursor", "hand"}},
      // The footer's status line and the right-click menu.
      {{"name", "statustext"}, {"textmode", "8024"}, {"crtext", "2B2B2B"}},
      {{"name", "rowmenu"}, {"crbg", "FFFFFF"}},
      {{"name", "rowmenu_text"}, {"crtext", "1E1E1E"}, {"textmode", "0024"}},
      // A station in the completion list.
      {{"name", "dropdown_text"}, {"crtext", "1E1E1E"}, {"textmode", "0024"}, {"x-margin", "8"}, {"y-margin", "3"}},
      // The departure-time link and the timetable page's grey line.
      {{"name", "rangelink"}, {"crtext", "45B1E5"}, {"textmode", "0024"}, {"cursor", "hand"}, {"hc-crtext", "hotlight"}},
      {{"name", "hinttext"}, {"crtext", "808080"}, {"textmode", "8024"}, {"hc-crtext", "graytext"}},
      // The help page and the fare page's swap.
      {{"name", "helptext"}, {"crtext", "2B2B2B"}},
      {{"name", "helplink"}, {"crtext", "2384C6"}, {"font", "0001"}, {"cursor", "hand"}},
      {{"name", "helplabel"}, {"crtext", "707070"}, {"textmode", "0024"}, {"hc-crtext", "graytext"}},
      {{"name", "helpvalue"}, {"crtext", "1E1E1E"}, {"textmode", "8024"}},
      {{"name", "swaplink"}, {"crtext", "2384C6"}, {"textmode", "0025"}, {"cursor", "hand"}, {"hc-crtext", "hotlight"}},
      {{"name", "helpbutton"}, {"skin", "helpbtn"}, {"crtext", "1E1E1E"}, {"textmode", "0025"}, {"cursor", "hand"},
       {"hc-crbg", "btnface"}, {"hc-crtext", "btntext"}},
  };
  std::vector<const TiXmlElement*> classes = Children(root);
  ASSERT_EQ(classes.size(), expected.size());
  for (size_t i = 0; i < classes.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_STREQ(classes[i]->Value(), "class");
    EXPECT_EQ(Attributes(classes[i]), expected[i]);
  }
}

// ---------------------------------------------------------------- 102: strings

TEST(StringDocument, HoldsTheStringTable) {
  ParsedXml xml;
  LoadXmlResource(102, xml);
  ASSERT_TRUE(xml.ok);
  const TiXmlElement* root = xml.doc.RootElement();
  ASSERT_STREQ(root->Value(), "string");
  const std::map<int, std::string> expected = {
      {0, "宋体"},           {1, "Tavora 2012"},     {31, "车次"},   {32, "出发站"},
      {33, "到达站"},        {34, "发时"},           {35, "到时"},   {36, "硬座/二等座"},
      {37, "软座/一等座"},   {38, "硬卧"},           {39, "软卧"},   {40, "高级卧"},
      {41, "无座"},          {42, "始发站 - 终点站"}, {43, "运行时间"}, {44, "车型"},
      {51, "50"},            {52, "70"},             {53, "70"},     {54, "50"},
      {55, "50"},            {56, "80"},             {57, "80"},     {58, "40"},
      {59, "40"},            {60, "50"},             {61, "40"},     {62, "120"},
      {63, "80"},            {64, "50"},             {70, "北京"},   {71, "上海"},
      {72, "20110927"},
      // The status line, copy and export, and the watch.
      {80, "正在查询 %1 → %2…"}, {81, "%1 趟列车 · %2"}, {82, "无法连接查询网站，请检查网络连接"}, {92, "余票"},
      {83, "查询网站在限定时间内没有回答"}, {84, "查询网站返回的页面无法读取"}, {85, "%1 → %2 没有列车"},
      {86, "请填写出发站和到达站"}, {87, "（列表仍为 %1 的查询结果）"}, {88, "已复制 %1 趟列车"}, {96, "Tavora 余票监控"},
      {89, "已导出 %1 趟列车到 %2"}, {90, "无法写入 %1，没有保存"}, {91, "CSV 文件 (*.csv)"}, {94, "%1 %2 有票了"},
      {93, "（监控中，每 %1 秒查询一次）"}, {95, "%1 %2 等 %3 处有票了"}, {97, "内存不足，查询没有完成"},
      {98, "更新没有开始：安装程序未能启动，当前版本保持不变"},
      // The date, the timetable page and the departure-time filter.
      {100, "%1 已经过去，请选择今天或以后的日期"}, {101, "只能查询 %1 天之内的车票，最晚 %2"},
      {102, "“%1”不是日期，请按 年-月-日 填写，如 %2"}, {103, "%1 已经过去，监控已停止"}, {104, "没有车次 %1"},
      {105, "正在查询车次 %1 的时刻表…"}, {106, "车次 %1 · %2 个车站 · %3 · %4"},
      {107, "车次只能由字母和数字组成，最多 8 个，如 G1"}, {108, "请填写车次"}, {110, "站序"}, {111, "站名"},
      {112, "到达"}, {113, "出发"}, {114, "停留"}, {115, "里程"}, {116, "天"}, {120, "40"}, {121, "100"},
      {122, "60"}, {123, "60"}, {124, "60"}, {125, "60"}, {126, "60"}, {130, "全天"}, {131, "00:00–06:00"},
      {132, "06:00–12:00"}, {133, "12:00–18:00"}, {134, "18:00–24:00"}, {135, "发车 %1 ▼"}, {140, "如 G1"},
      // The help page and the fare page.
      {150, "注册表 HKEY_CURRENT_USER\\%1"}, {151, "本次不保存"}, {152, "正在检查更新…"}, {153, "已是最新版本"},
      {154, "无法取得更新信息：没有连接到更新服务器，或它没有回答"}, {155, "更新服务器的回答无法读取"},
      {156, "下载的安装程序没有通过签名检查，已丢弃"}, {157, "另一个 Tavora 正在检查更新，请稍后再试"},
      {158, "找到新版本，等待您的答复"}, {159, "无法检查更新：更新文件夹不可用"},
      {160, "恢复默认设置？记住的车站、日期、筛选、排序和窗口位置都将清除。"}, {161, "已恢复默认设置"},
      {162, "第三方软件许可"}, {163, "无法打开主页 %1"}, {170, "70"}, {171, "60"}, {172, "60"}, {173, "46"},
      {174, "46"}, {175, "50"}, {176, "64"}, {177, "64"}, {178, "64"}, {179, "60"}, {180, "60"}, {181, "60"},
      {182, "56"}, {183, "正在查询 %1 → %2 的票价…"}, {184, "票价"},
      {190, "未知车站 %1？ 您是否要找：%2"}, {191, "未知车站 %1？"},
  };
  std::map<int, std::string> actual;
  for (const TiXmlElement* s : Children(root)) {
    EXPECT_STREQ(s->Value(), "s");
    int id = std::stoi(Attr(s, "id"));
    EXPECT_EQ(actual.count(id), 0u) << "duplicate id " << id;
    actual[id] = s->GetText() ? s->GetText() : "";
  }
  EXPECT_EQ(actual, expected);
}

TEST(StringDocument, ColumnWidthsAddUpToTheListItemCells) {
  // The list columns (strings 51-64) line up with the template's cells, which
  // end at x = 870.
  ParsedXml xml;
  LoadXmlResource(102, xml);
  ASSERT_TRUE(xml.ok);
  int total = 0;
  for (const TiXmlElement* s : Children(xml.doc.RootElement())) {
    int id = std::stoi(Attr(s, "id"));
    if (id >= 51 && id <= 64) total += std::stoi(s->GetText());
  }
  EXPECT_EQ(total, 870);
}

// ---------------------------------------------------------------- 103: main layer

class MainLayer : public ::testing::Test {
 protected:
  void SetUp() override {
    LoadXmlResource(103, xml_);
    ASSERT_TRUE(xml_.ok);
    root_ = xml_.doc.RootElement();
    ASSERT_NE(root_, nullptr);
    body_ = root_->FirstChildElement("body");
    ASSERT_NE(body_, nullptr);
  }
  ParsedXml xml_;
  const TiXmlElement* root_ = nullptr;
  const TiXmlElement* body_ = nullptr;
};

TEST_F(MainLayer, LayerHeaderAndFooter) {
  EXPECT_STREQ(root_->Value(), "layer");
  EXPECT_EQ(Attributes(root_),
            (AttributeList{{"title", "Tavora"}, {"width", "680"}, {"height", "430"}, {"resize", "1"}, {"appwin", "1"}}));
  std::vector<const TiXmlElement*> sections = Children(root_);
  ASSERT_EQ(sections.size(), 3u);
  EXPECT_STREQ(sections[0]->Value(), "header");
  EXPECT_STREQ(sections[1]->Value(), "footer");
  EXPECT_STREQ(sections[2]->Value(), "body");
  EXPECT_EQ(Attributes(sections[0]), (AttributeList{{"class", "mainhead"}, {"width", "full"}, {"height", "29"}}));
  EXPECT_EQ(Attributes(sections[1]), (AttributeList{{"class", "mainfoot"}, {"width", "full"}, {"height", "23"}}));
  EXPECT_EQ(Attributes(sections[2]), (AttributeList{{"class", "mainbody"}, {"width", "full"}, {"height", "full"}}));
  for (int i = 0; i < 2; ++i) {
    std::vector<const TiXmlElement*> files = Children(sections[i]);
    ASSERT_EQ(files.size(), 1u);
    EXPECT_STREQ(files[0]->Value(), "dlgfile");
    EXPECT_EQ(Attributes(files[0]), (AttributeList{{"pos", "0,0,-0,-0"}, {"src", i == 0 ? "104" : "105"}}));
  }
}

TEST_F(MainLayer, TabControlWithFourEmptyTabs) {
  const TiXmlElement* tabs = FindById(root_, 136);
  ASSERT_NE(tabs, nullptr);
  EXPECT_EQ(tabs->Parent(), body_);
  EXPECT_STREQ(tabs->Value(), "tabctrl");
  EXPECT_EQ(Attributes(tabs), (AttributeList{{"id", "136"},
                                             {"tabwidth", "71"},
                                             {"tabheight", "71"},
                                             {"crtext", "000000"},
                                             {"tabskin", "tabmain"},
                                             {"iconskin", "logomodule"},
                                             {"tabspacing", "5"},
                                             {"tabpos", "1"},
                                             {"framepos", "7"},
                                             {"pos", "0,4,-0,-1"},
                                             {"icon-x", "10"},
                                             {"icon-y", "1"},
                                             {"text-x", "0"},
                                             {"text-y", "25"}}));
  std::vector<const TiXmlElement*> pages = Children(tabs);
  const char* titles[] = {"余票查询", "时刻表查询", "票价查询", "帮 助"};
  ASSERT_EQ(pages.size(), 4u);
  for (size_t i = 0; i < 4; ++i) {
    SCOPED_TRACE(i);
    EXPECT_STREQ(pages[i]->Value(), "tab");
    EXPECT_EQ(Attributes(pages[i]), (AttributeList{{"title", titles[i]}, {"width", "full"}, {"height", "full"}}));
    // The timetable, fare and help pages bring their own documents; the
    // ticket page lies over the tabs.
    if (i > 0) {
      const char* sources[] = {"", "108", "112", "111"};
      const TiXmlElement* file = pages[i]->FirstChildElement();
      ASSERT_NE(file, nullptr);
      EXPECT_STREQ(file->Value(), "dlgfile");
      EXPECT_EQ(Attributes(file), (AttributeList{{"pos", "0,0,-0,-0"}, {"src", sources[i]}}));
    } else {
      EXPECT_EQ(pages[i]->FirstChild(), nullptr);
    }
  }
}

TEST_F(MainLayer, EditHostsSitInTheUpperHalfOfTheQueryBar) {
  struct Edit {
    int id;
    const char* group;
    const char* label;
    const char* labelPos;
    const char* framePos;
    const char* editPos;
  } edits[] = {
      {2220, "0,0,180,-0", "出发站(&F)", "4,0,60,-0", "60,0,-10,-0", "70,9,-20,-4"},
      {2230, "|-90,0,|90,-0", "到达站(&T)", "2,0,56,-0", "55,0,-10,-0", "65,9,-20,-4"},
      {2240, "-180,0,-0,-0", "发车时间(&D)", "6,0,74,-0", "75,0,-2,-0", "83,9,-24,-4"},
  };
  for (const Edit& e : edits) {
    SCOPED_TRACE(e.id);
    const TiXmlElement* host = FindById(root_, e.id);
    ASSERT_NE(host, nullptr);
    EXPECT_STREQ(host->Value(), "realwnd");
    EXPECT_EQ(Attributes(host), (AttributeList{{"id", std::to_string(e.id)}, {"pos", e.editPos}}));
    EXPECT_EQ(AncestorPath(host, body_),
              (std::vector<std::string>{std::string("dlg@") + e.group, "dlg@0,0,-0,|0", "dlg@0,0,-115,-0",
                                        "dlg@0,0,-0,60", "dlg@10,0,-10,-0", "dlg@0,80,-0,-0"}));
    // The date box's frame has an id (it turns red) and a calendar button
    // follows the edit.
    const bool date = e.id == 2240;
    std::vector<const TiXmlElement*> group = Children(host->Parent());
    ASSERT_EQ(group.size(), date ? 4u : 3u);
    EXPECT_STREQ(group[0]->Value(), "text");
    EXPECT_EQ(Attributes(group[0]), (AttributeList{{"pos", e.labelPos}, {"class", "vcenter"}}));
    EXPECT_STREQ(group[0]->GetText(), e.label);
    EXPECT_STREQ(group[1]->Value(), "img");
    AttributeList frame = {{"skin", "edit_bg"}, {"pos", e.framePos}, {"autosize", "0"}};
    if (date) frame.insert(frame.begin(), {"id", "10110"});
    EXPECT_EQ(Attributes(group[1]), frame);
    EXPECT_EQ(group[2], host);
    if (date) {
      EXPECT_EQ(Attributes(group[3]), (AttributeList{{"id", "10111"}, {"skin", "calbtn"}, {"pos", "-22,6,-4,-6"},
                                                     {"autosize", "0"}, {"class", "linkimage"},
                                                     {"tip", "选择日期"}}));
    }
  }
}

TEST_F(MainLayer, NineCheckedTrainKindBoxesInTheLowerHalf) {
  const TiXmlNode* bar = FindById(root_, 2220)->Parent()->Parent()->Parent();
  std::vector<const TiXmlElement*> halves = Children(bar);
  ASSERT_EQ(halves.size(), 2u);
  EXPECT_EQ(Attr(halves[1], "pos"), "0,|0,-0,-0");
  std::vector<const TiXmlElement*> groups = Children(halves[1]);
  ASSERT_EQ(groups.size(), 3u);
  const char* groupPos[] = {"0,0,180,-0", "|-90,0,|90,-0", "-180,0,-0,-0"};
  const char* boxPos[] = {"10,7,60,-7", "70,7,120,-7", "130,7,180,-7"};
  const char* texts[] = {"全选", "城际", "高铁", "动车", "直达", "特快", "快速", "普快", "临客"};
  for (int g = 0; g < 3; ++g) {
    EXPECT_STREQ(groups[g]->Value(), "dlg");
    EXPECT_EQ(Attributes(groups[g]), (AttributeList{{"pos", groupPos[g]}}));
    std::vector<const TiXmlElement*> boxes = Children(groups[g]);
    ASSERT_EQ(boxes.size(), 3u);
    for (int b = 0; b < 3; ++b) {
      SCOPED_TRACE(texts[g * 3 + b]);
      EXPECT_STREQ(boxes[b]->Value(), "checkex");
      EXPECT_EQ(Attributes(boxes[b]), (AttributeList{{"pos", boxPos[b]},
                                                     {"skin", "checkbox_bg"},
                                                     {"class", "blue_linkimage"},
                                                     {"spacing", "10"},
                                                     {"checked", "1"}}));
      EXPECT_STREQ(boxes[b]->GetText(), texts[g * 3 + b]);
    }
  }
}

TEST_F(MainLayer, SearchButtonBusyImageAndReturnBox) {
  const TiXmlElement* search = FindById(root_, 10000);
  const TiXmlElement* busy = FindById(root_, 10001);
  ASSERT_NE(search, nullptr);
  ASSERT_NE(busy, nullptr);
  EXPECT_EQ(search->Parent(), busy->Parent());
  const TiXmlElement* slot = search->Parent()->ToElement();
  EXPECT_EQ(Attributes(slot), (AttributeList{{"pos", "-54,6,-6,-6"}}));
  std::vector<const TiXmlElement*> parts = Children(slot);
  ASSERT_EQ(parts.size(), 3u);
  // Background first, then the button, then the busy image on top.
  EXPECT_STREQ(parts[0]->Value(), "img");
  EXPECT_EQ(Attributes(parts[0]),
            (AttributeList{{"pos", "0,0,-0,-0"}, {"skin", "search_bg"}, {"sub", "0"}, {"autosize", "0"}}));
  EXPECT_EQ(parts[1], search);
  EXPECT_STREQ(search->Value(), "imgbtn");
  EXPECT_EQ(Attributes(search), (AttributeList{{"id", "10000"},
                                               {"pos", "0,0,-0,-0"},
                                               {"skin", "search"},
                                               {"autosize", "0"},
                                               {"class", "linkimage"},
                                               {"tip", "查询余票"}}));
  EXPECT_EQ(parts[2], busy);
  EXPECT_STREQ(busy->Value(), "img");
  EXPECT_EQ(Attributes(busy), (AttributeList{{"id", "10001"},
                                             {"pos", "6,6,-6,-6"},
                                             {"skin", "ing"},
                                             {"sub", "0"},
                                             {"autosize", "0"},
                                             {"show", "0"}}));

  const TiXmlElement* side = slot->Parent()->ToElement();
  EXPECT_EQ(Attributes(side), (AttributeList{{"pos", "-115,0,-0,-0"}}));
  std::vector<const TiXmlElement*> sideParts = Children(side);
  ASSERT_EQ(sideParts.size(), 2u);
  EXPECT_STREQ(sideParts[0]->Value(), "checkex");
  EXPECT_EQ(Attributes(sideParts[0]), (AttributeList{{"pos", "10,7,60,-7"},
                                                     {"skin", "checkbox_bg"},
                                                     {"class", "blue_linkimage"},
                                                     {"spacing", "10"}}));
  EXPECT_STREQ(sideParts[0]->GetText(), "返程");
  EXPECT_EQ(AncestorPath(search, body_),
            (std::vector<std::string>{"dlg@-54,6,-6,-6", "dlg@-115,0,-0,-0", "dlg@0,0,-0,60", "dlg@10,0,-10,-0",
                                      "dlg@0,80,-0,-0"}));
}

TEST_F(MainLayer, ResultListHostFillsTheResultArea) {
  const TiXmlElement* list = FindById(root_, 2100);
  ASSERT_NE(list, nullptr);
  EXPECT_STREQ(list->Value(), "realwnd");
  EXPECT_EQ(Attributes(list), (AttributeList{{"id", "2100"}, {"pos", "0,0,-0,-0"}, {"name", "余票列表"}}));
  EXPECT_EQ(AncestorPath(list, body_),
            (std::vector<std::string>{"dlg@0,60,-0,-0", "dlg@10,0,-10,-0", "dlg@0,80,-0,-0"}));
  EXPECT_EQ(Children(list->Parent()).size(), 1u);
}

TEST_F(MainLayer, EveryIdAppearsOnce) {
  std::map<std::string, int> seen;
  std::vector<const TiXmlElement*> pending = {root_};
  while (!pending.empty()) {
    const TiXmlElement* e = pending.back();
    pending.pop_back();
    if (e->Attribute("id")) ++seen[Attr(e, "id")];
    for (const TiXmlElement* c : Children(e)) pending.push_back(c);
  }
  // 10003 and 2250: the watch box and its interval; 10004 and 10005 the
  // filters; 10100-10102 the ticket page's groups; 10110 and 10111 the date
  // box's frame and calendar button.
  for (const char* id : {"136", "2220", "2230", "2240", "10000", "10001", "2100", "10003", "2250", "10004", "10005",
                         "10100", "10101", "10102", "10110", "10111"})
    EXPECT_EQ(seen[id], 1) << id;
  EXPECT_EQ(seen.size(), 16u);
}

// ---------------------------------------------------------------- 104, 105: fragments

TEST(HeaderFragment, IconTitleAndCaptionButtons) {
  ParsedXml xml;
  LoadXmlResource(104, xml);
  ASSERT_TRUE(xml.ok);
  std::vector<const TiXmlElement*> items = Children(&xml.doc);
  ASSERT_EQ(items.size(), 5u);
  EXPECT_STREQ(items[0]->Value(), "icon");
  EXPECT_EQ(Attributes(items[0]), (AttributeList{{"src", "101"}, {"pos", "10,6"}}));
  EXPECT_STREQ(items[1]->Value(), "text");
  EXPECT_EQ(Attributes(items[1]), (AttributeList{{"id", "60004"}, {"class", "dlgtitle"}, {"pos", "30,0,-10,-0"}}));
  EXPECT_STREQ(items[1]->GetText(), "%str1%");
  EXPECT_STREQ(items[2]->Value(), "imgbtn");
  EXPECT_EQ(Attributes(items[2]),
            (AttributeList{{"id", "60003"}, {"class", "linkimage"}, {"skin", "minbtn"}, {"pos", "-96,0"},
                           {"tabstop", "0"}, {"tip", "最小化"}}));
  EXPECT_STREQ(items[3]->Value(), "imgbtn");
  EXPECT_EQ(Attributes(items[3]),
            (AttributeList{{"id", "60002"}, {"class", "linkimage"}, {"skin", "maxbtn"}, {"pos", "-67,0"},
                           {"tabstop", "0"}, {"tip", "最大化"}}));
  EXPECT_STREQ(items[4]->Value(), "imgbtn");
  EXPECT_EQ(Attributes(items[4]),
            (AttributeList{{"id", "60001"}, {"class", "linkimage"}, {"skin", "closebtn"}, {"pos", "-39,0"},
                           {"tabstop", "0"}, {"tip", "关闭"}}));
  // The icon element loads group icon 101 of the program.
  EXPECT_FALSE(ResourceBytes(MAKEINTRESOURCEW(14) /* RT_GROUP_ICON */, 101).empty());
}

TEST(FooterFragment, OneDialogHoldingTheStatusLine) {
  ParsedXml xml;
  LoadXmlResource(105, xml);
  ASSERT_TRUE(xml.ok);
  std::vector<const TiXmlElement*> items = Children(&xml.doc);
  ASSERT_EQ(items.size(), 1u);
  EXPECT_STREQ(items[0]->Value(), "dlg");
  EXPECT_EQ(Attributes(items[0]), (AttributeList{{"pos", "0,0,-0,-3"}}));
  const std::vector<const TiXmlElement*> status = Children(items[0]);
  ASSERT_EQ(status.size(), 1u);
  EXPECT_STREQ(status[0]->Value(), "text");
  EXPECT_EQ(Attributes(status[0]),
            (AttributeList{{"id", "10002"}, {"pos", "0,0,-0,-0"}, {"class", "statustext"}, {"role", "status"}}));
}

// ---------------------------------------------------------------- 106: list-item template

TEST(ListItemTemplate, RowBackgroundFourteenCellsAndBottomLine) {
  ParsedXml xml;
  LoadXmlResource(106, xml);
  ASSERT_TRUE(xml.ok) << xml.doc.ErrorDesc();
  const TiXmlElement* root = xml.doc.RootElement();
  ASSERT_STREQ(root->Value(), "listitem");
  EXPECT_EQ(Attributes(root), (AttributeList{{"height", "24"}}));
  // The stored template writes its height without quotes; the parser takes it.
  EXPECT_NE(xml.bytes.find("<listitem height=24>"), std::string::npos);

  std::vector<const TiXmlElement*> top = Children(root);
  ASSERT_EQ(top.size(), 1u);
  EXPECT_STREQ(top[0]->Value(), "dlg");
  EXPECT_EQ(Attributes(top[0]), (AttributeList{{"pos", "0,0,-0,-0"}}));

  std::vector<const TiXmlElement*> parts = Children(top[0]);
  ASSERT_EQ(parts.size(), 16u);
  EXPECT_STREQ(parts[0]->Value(), "link");
  EXPECT_EQ(Attributes(parts[0]), (AttributeList{{"id", "5"}, {"pos", "0,0,-0,-0"}, {"class", "listitem"}}));
  EXPECT_STREQ(parts[15]->Value(), "hr");
  EXPECT_EQ(Attributes(parts[15]), (AttributeList{{"pos", "0,-1,-0,-1"}, {"crbg", "CCCCCC"}, {"hc-crbg", "graytext"}}));

  struct Cell {
    int id, textId, left, right;
    bool transparent;
  } cells[] = {
      {20010, 20020, 0, 50, true},     {20011, 20021, 50, 120, true},   {20012, 20022, 120, 190, true},
      {20013, 20023, 190, 240, true},  {20014, 20024, 240, 290, false}, {20015, 20025, 290, 370, false},
      {20016, 20026, 370, 450, false}, {20017, 20027, 450, 490, false}, {20018, 20028, 490, 530, false},
      {20019, 20029, 530, 580, false}, {20101, 20111, 580, 620, false}, {20102, 20112, 620, 740, false},
      {20103, 20113, 740, 820, false}, {20104, 20114, 820, 870, false},
  };
  int previousRight = 0;
  for (int i = 0; i < 14; ++i) {
    const Cell& c = cells[i];
    SCOPED_TRACE(c.id);
    const TiXmlElement* cell = parts[1 + i];
    EXPECT_STREQ(cell->Value(), "dlg");
    std::string pos = std::to_string(c.left) + ",0," + std::to_string(c.right) + ",-0";
    AttributeList expected = {{"id", std::to_string(c.id)}, {"pos", pos}};
    if (c.transparent) expected.emplace_back("transparent", "1");
    EXPECT_EQ(Attributes(cell), expected);
    // Cells follow each other without gaps.
    EXPECT_EQ(c.left, previousRight);
    previousRight = c.right;
    std::vector<const TiXmlElement*> texts = Children(cell);
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_STREQ(texts[0]->Value(), "text");
    EXPECT_EQ(c.textId, c.id + 10);
    EXPECT_EQ(Attributes(texts[0]),
              (AttributeList{{"id", std::to_string(c.textId)}, {"pos", "2,0,-0,-0"}, {"class", "dt_8034"}}));
    EXPECT_EQ(texts[0]->GetText(), nullptr);
  }
}

// ---------------------------------------------------------------- across documents

void CollectAttribute(const TiXmlNode* node, const char* name, std::set<std::string>& out) {
  for (const TiXmlElement* e = node->FirstChildElement(); e; e = e->NextSiblingElement()) {
    if (e->Attribute(name)) out.insert(e->Attribute(name));
    CollectAttribute(e, name, out);
  }
}

TEST(EmbeddedDocuments, EverySkinNamedByTheLayoutIsDefined) {
  ParsedXml skins, layer, header;
  LoadXmlResource(100, skins);
  LoadXmlResource(103, layer);
  LoadXmlResource(104, header);
  ASSERT_TRUE(skins.ok && layer.ok && header.ok);
  std::set<std::string> defined;
  for (const TiXmlElement* s : Children(skins.doc.RootElement())) defined.insert(Attr(s, "name"));
  std::set<std::string> used;
  for (const char* attribute : {"skin", "tabskin", "iconskin"}) {
    CollectAttribute(&layer.doc, attribute, used);
    CollectAttribute(&header.doc, attribute, used);
  }
  // The nine of the first layout, the date box's calendar button and the
  // maximise button.
  EXPECT_EQ(used.size(), 11u);
  for (const std::string& name : used) EXPECT_EQ(defined.count(name), 1u) << name;
}

TEST(EmbeddedDocuments, EveryStyleClassNamedByTheLayoutIsDefined) {
  ParsedXml styles, layer, header;
  LoadXmlResource(101, styles);
  LoadXmlResource(103, layer);
  LoadXmlResource(104, header);
  ASSERT_TRUE(styles.ok && layer.ok && header.ok);
  std::set<std::string> defined;
  for (const TiXmlElement* s : Children(styles.doc.RootElement())) defined.insert(Attr(s, "name"));
  std::set<std::string> used;
  CollectAttribute(&layer.doc, "class", used);
  CollectAttribute(&header.doc, "class", used);
  EXPECT_EQ(used, (std::set<std::string>{"blue_linkimage", "dlgtitle", "linkimage", "mainbody", "mainfoot",
                                         "mainhead", "rangelink", "vcenter"}));
  for (const std::string& name : used) EXPECT_EQ(defined.count(name), 1u) << name;
}

}  // namespace
