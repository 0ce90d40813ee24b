// The four panels of the terminal's DirectIO vocabulary. Each is built from a table: its text
// fields with their defaults, its buttons with the command number and the fields joined by ","
// into pString, and its browse buttons.
#pragma once

#include <QString>
#include <QWidget>

#include <cstdint>
#include <map>
#include <vector>

class QComboBox;
class QLineEdit;

namespace probedesk {

class DevicePanel;
class LogBox;

struct DirectIOField {
    const char* object;  // txtX
    const char* label;
    const char* defaultText;
};

enum class DataArg { Zero, FontIndex };

struct DirectIOButton {
    const char* caption;
    int32_t command;
    std::vector<const char*> fields;  // joined with "," in this order
    const char* suffix = "";          // appended to the joined text
    DataArg data = DataArg::Zero;
    bool shortCommand = false;  // the command travels as a 16-bit integer
    bool logSent = false;       // log what was sent
};

struct DirectIOBrowse {
    const char* field;
    const char* filter;  // "Firmware Files (*.schex)"
};

struct DirectIOPanelLayout {
    const char* object;   // pnlDirectIOSys1
    const char* caption;  // the tab caption
    std::vector<DirectIOField> fields;
    std::vector<DirectIOButton> buttons;
    std::vector<DirectIOBrowse> browses;
    bool fontList = false;  // has cmbFont
};

// The four panels in tab order: system, script, display, variables.
const std::vector<DirectIOPanelLayout>& DirectIOPanelLayouts();

// The entries of the font list: the terminal's fonts, by index.
const QStringList& FontNames();

class DirectIOPanel : public QWidget {
    Q_OBJECT
public:
    DirectIOPanel(const DirectIOPanelLayout& layout, LogBox* log, QWidget* parent = nullptr);

    void SetDevicePanel(DevicePanel* host) { host_ = host; }
    const DirectIOPanelLayout& Layout() const { return layout_; }
    QLineEdit* Field(const char* object) const;
    // Clicks the button: builds pString, calls DirectIO, logs a nonzero result.
    void Send(const DirectIOButton& button);
    // The pString a button sends with the fields as they are now.
    QString JoinedText(const DirectIOButton& button) const;

private:
    void Browse(const DirectIOBrowse& browse);

    const DirectIOPanelLayout& layout_;
    LogBox* log_;
    DevicePanel* host_ = nullptr;
    std::map<QString, QLineEdit*> fields_;
    QComboBox* font_ = nullptr;
};

}  // namespace probedesk
