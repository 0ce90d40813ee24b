#include "directio_panels.h"

#include <QComboBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "device_panel.h"
#include "late_bound.h"
#include "log_box.h"

namespace probedesk {

const std::vector<DirectIOPanelLayout>& DirectIOPanelLayouts() {
    static const std::vector<DirectIOPanelLayout> layouts = {
        {"pnlDirectIOSys1",
         "DirectIO ZR88xx System",
         {{"txtFirmwareFile", "Firmware File:", "Text1"},
          {"txtNumberPositions", "Number Positions:", "10"},
          {"txtUnitPositions", "Unit Positions:", "1"},
          {"txtNumberForm", "Script Form Title:", "Enter Number"}},
         {{"Download Firmware", 27, {"txtFirmwareFile"}},
          {"Get Error", 21, {}},
          {"Get Free Memory", 38, {}},
          {"Get Model", 17, {}},
          {"Get Name", 18, {}},
          {"Get Version", 19, {}},
          {"Is Device Connected?", 15, {}},
          {"Is Error?", 20, {}},
          {"Reboot", 23, {}},
          {"Reset", 16, {}},
          // The terminal's number prompt takes [title, digits, decimals]: the title goes first.
          {"Show Prompt",
           7,
           {"txtNumberForm", "txtNumberPositions", "txtUnitPositions"},
           "",
           DataArg::Zero,
           false,
           true}},
         {{"txtFirmwareFile", "Firmware Files (*.schex)"}}},
        {"pnlDirectIOScript1",
         "    DirectIO      ZR88xx   Script    ",
         {{"txtRunScriptName", "Script Name:", "AUTORUN"},
          {"txtScriptFileName", "Script File:", "Script File Name"},
          {"txtRunScriptLabel", "Run Label:", "main"},
          {"txtScriptGotoLabel", "Goto Label:", "Enter Script Label Here"},
          {"txtScriptGotoVar", "Goto Var:", "Enter Var Name Here"},
          {"txtIsVarScript", "Var Name:", "Enter Var Name Here"}},
         {{"Download Script",
           50,
           {"txtRunScriptName", "txtScriptFileName"},
           "",
           DataArg::Zero,
           true},
          {"Run Script", 34, {"txtRunScriptName", "txtRunScriptLabel"}},
          {"Script Goto Label", 35, {"txtScriptGotoLabel"}},
          {"Script Goto Var", 36, {"txtScriptGotoVar"}},
          {"Is Var a Script?", 30, {"txtIsVarScript"}},
          {"Is Script Loaded?", 31, {}},
          {"Is Script Running?", 32, {}},
          {"Is Script Paused?", 33, {}},
          {"Script Reset", 29, {}},
          {"Script Stop", 49, {}}},
         {{"txtScriptFileName", "Script Files (*.bin)"}}},
        {"pnlDirectIODisplay1",
         "DirectIO ZR88xx Display",
         {{"txtX", "X:", "10"},
          {"txtY", "Y:", "10"},
          {"txtDisplayText", "Text:", "Go Cubs!"},
          {"txtWidth", "Width:", "100"},
          {"txtHeight", "Height:", "100"},
          {"txtBitmapName", "Bitmap File:", ""},
          {"txtLogoFile", "Logo File:", ""}},
         {{"Display Text", 1, {"txtX", "txtY", "txtDisplayText"}},
          {"Set Font:", 2, {}, "", DataArg::FontIndex},
          {"Clear Display", 3, {}},
          {"Reset Logo", 5, {}},
          {"Display Logo", 6, {}},
          {"Display Bitmap", 8, {"txtX", "txtY", "txtBitmapName"}},
          {"Set Logo File:", 9, {"txtLogoFile"}},
          {"Display Box", 10, {"txtX", "txtY", "txtWidth", "txtHeight"}}},
         {{"txtBitmapName", "Bitmap Files (*.bmp)"}, {"txtLogoFile", "Logo Files (*.bmp)"}},
         true},
        {"pnlDirectIOVar1",
         "DirectIO ZR88xx Variables",
         {{"txtVarName", "Variable Name:", "VAR1"},
          {"txtVarID", "Variable ID:", "1"},
          {"txtVarContents", "Variable Contents:", "Hello"}},
         {{"Set Text Var", 45, {"txtVarName", "txtVarContents"}},
          {"Get Text Var", 46, {"txtVarName"}},
          {"Is Text Var?", 44, {"txtVarName"}},
          {"Get Var By Name", 43, {"txtVarName"}},
          {"Set Var Name", 42, {"txtVarName"}, ",x29x10x00x00"},
          {"Find Var By Name", 41, {"txtVarName"}},
          {"Find Var By ID", 40, {"txtVarID"}},
          {"Delete Var By ID", 39, {"txtVarID"}},
          {"Delete Var By Name", 51, {"txtVarName"}}},
         {}},
    };
    return layouts;
}

const QStringList& FontNames() {
    static const QStringList names = {QStringLiteral("FONT_8x8"), QStringLiteral("FONT_8x16"),
                                      QStringLiteral("FONT_12x24"), QStringLiteral("FONT_16x32")};
    return names;
}

DirectIOPanel::DirectIOPanel(const DirectIOPanelLayout& layout, LogBox* log, QWidget* parent)
    : QWidget(parent), layout_(layout), log_(log) {
    setObjectName(QString::fromLatin1(layout.object));
    auto* form = new QFormLayout;
    for (const DirectIOField& field : layout.fields) {
        auto* edit = new QLineEdit(QString::fromLatin1(field.defaultText), this);
        edit->setObjectName(QString::fromLatin1(field.object));
        fields_.emplace(edit->objectName(), edit);
        QWidget* row = edit;
        for (const DirectIOBrowse& browse : layout.browses) {
            if (QLatin1String(browse.field) != edit->objectName()) continue;
            row = new QWidget(this);
            auto* line = new QHBoxLayout(row);
            line->setContentsMargins(0, 0, 0, 0);
            auto* button = new QPushButton(QStringLiteral("..."), row);
            button->setObjectName(QStringLiteral("btnBrowse_") + edit->objectName());
            button->setAccessibleName(tr("Browse for %1").arg(tr(field.label)));
            connect(button, &QPushButton::clicked, this, [this, &browse] { Browse(browse); });
            edit->setParent(row);
            line->addWidget(edit, 1);
            line->addWidget(button);
        }
        form->addRow(tr(field.label), row);
    }

    auto* buttons = new QGridLayout;
    int row = 0, column = 0;
    for (const DirectIOButton& button : layout.buttons) {
        auto* push = new QPushButton(tr(button.caption), this);
        connect(push, &QPushButton::clicked, this, [this, &button] { Send(button); });
        if (button.data == DataArg::FontIndex) {
            // "Set Font:" sends the index of the chosen entry; -1 when none is chosen. It takes
            // a row of its own, with its list.
            font_ = new QComboBox(this);
            font_->setObjectName(QStringLiteral("cmbFont"));
            font_->setEditable(true);
            font_->addItems(FontNames());
            font_->setCurrentIndex(0);
            if (column != 0) ++row;
            buttons->addWidget(push, row, 0);
            buttons->addWidget(font_, row, 1);
            ++row;
            column = 0;
            continue;
        }
        buttons->addWidget(push, row, column);
        if (++column == 2) {
            column = 0;
            ++row;
        }
    }
    auto* right = new QVBoxLayout;
    right->addLayout(buttons);
    right->addStretch(1);
    auto* left = new QVBoxLayout;
    left->addLayout(form);
    left->addStretch(1);
    auto* columns = new QHBoxLayout(this);
    columns->addLayout(left, 1);
    columns->addLayout(right, 1);
}

QLineEdit* DirectIOPanel::Field(const char* object) const {
    const auto it = fields_.find(QString::fromLatin1(object));
    return it == fields_.end() ? nullptr : it->second;
}

QString DirectIOPanel::JoinedText(const DirectIOButton& button) const {
    QStringList parts;
    for (const char* field : button.fields) parts.append(Field(field)->text());
    return parts.join(QLatin1Char(',')) + QString::fromLatin1(button.suffix);
}

void DirectIOPanel::Send(const DirectIOButton& button) {
    Trap(log_, [&] {
        if (!host_)
            throw BenchError{err::kObjectNotSet, kBenchSource,
                             QStringLiteral("Object variable or With block variable not set")};
        QString text = JoinedText(button);
        int32_t data = 0;
        if (button.data == DataArg::FontIndex) {
            // An edited text that names no entry chooses none.
            const int found = font_->findText(font_->currentText());
            data = found;
        }
        if (button.logSent)
            log_->Line(QStringLiteral("%1: DirectIO %2 \"%3\"")
                           .arg(tr(button.caption))
                           .arg(button.command)
                           .arg(text));
        const int32_t rc =
            host_->GetDeviceControl().DirectIO(button.command, button.shortCommand, &data, &text);
        if (rc != 0) log_->ExceptionText(rc);
    });
}

void DirectIOPanel::Browse(const DirectIOBrowse& browse) {
    QLineEdit* field = Field(browse.field);
    const QString path = QFileDialog::getOpenFileName(this, tr("Open"), field->text(),
                                                      QString::fromLatin1(browse.filter));
    if (!path.isEmpty()) field->setText(path);
}

}  // namespace probedesk
