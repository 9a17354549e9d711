// File > Export list...: the rows shown, in their order, in zunit scan's CSV and JSON forms.

#include <QFileDialog>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTimer>

#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>

#include "tests/app/finder_fixture.h"

namespace ztest {
namespace {

class ExportListTest : public FinderTest {
protected:
    static std::string Read(const QString& path) {
        std::ifstream in(path.toStdString());
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }

    void AnswerThree() {
        for (const auto& [name, address] : {std::pair{"Stage Left", "10.0.0.20"},
                                            {"Foyer", "10.0.0.3"},
                                            {"Stage Right", "10.0.0.9"}}) {
            DeviceAnswer answer;
            answer.name = name;
            answer.address = address;
            Answer(answer);
        }
    }
};

TEST_F(ExportListTest, WritesTheRowsShownInTheirOrderAsTheScanPrintsThem) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    Open();
    AnswerThree();
    ClickSection(3);  // by address
    window_->OpenFilter("stage");
    ASSERT_EQ(ShownNames(), (std::vector<std::string>{"Stage Right", "Stage Left"}));

    QString error;
    const QString json = dir.filePath("list.json");
    ASSERT_TRUE(window_->ExportList(json, TUnitFinderDialog::ExportFormat::kJson, &error))
        << error.toStdString();
    const nlohmann::json rows = nlohmann::json::parse(Read(json));
    ASSERT_TRUE(rows.is_array());
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0]["name"], "Stage Right");
    EXPECT_EQ(rows[0]["address"], "10.0.0.9");
    EXPECT_EQ(rows[0]["port"], 4300);
    EXPECT_EQ(rows[0]["installed"], true);  // the web browser
    EXPECT_EQ(rows[1]["name"], "Stage Left");
    EXPECT_EQ(rows[1].size(), 14u);  // every member of a scan's row

    const QString csv = dir.filePath("list.csv");
    ASSERT_TRUE(window_->ExportList(csv, TUnitFinderDialog::ExportFormat::kCsv, &error));
    std::istringstream lines(Read(csv));
    std::string line;
    std::getline(lines, line);
    EXPECT_EQ(line,
              "name,type_model,version,address,port,description,client,installed,serial,service,"
              "local_address,local_interface");
    std::getline(lines, line);
    EXPECT_EQ(line.rfind("\"Stage Right\",\"VXP HD\",\"2.0.1\",10.0.0.9,4300,", 0), 0u) << line;

    // A place that cannot be written is reported, not taken for done.
    EXPECT_FALSE(window_->ExportList(dir.filePath("missing/list.csv"),
                                     TUnitFinderDialog::ExportFormat::kCsv, &error));
    EXPECT_FALSE(error.isEmpty());
}

TEST_F(ExportListTest, TheMenuAsksForAFileAndTakesTheFormatFromItsType) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    Open();
    AnswerThree();
    bool asked = false;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        asked = true;
        EXPECT_EQ(dialog->nameFilters(), (QStringList{"CSV (*.csv)", "JSON (*.json)"}));
        dialog->selectNameFilter("JSON (*.json)");
        dialog->selectFile(dir.filePath("inventory"));  // no extension: the type's is added
        QMetaObject::invokeMethod(dialog, "accept");
    });
    window_->Export1->trigger();
    EXPECT_TRUE(asked);
    const nlohmann::json rows = nlohmann::json::parse(Read(dir.filePath("inventory.json")));
    EXPECT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0]["name"], "Stage Left");  // the order of arrival
}

}  // namespace
}  // namespace ztest
