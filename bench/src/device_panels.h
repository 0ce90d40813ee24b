// The seven device panels: each a DeviceTab with the capability labels, fields, buttons and
// data events of its class.
#pragma once

#include <QImage>
#include <QLineF>
#include <QWidget>

#include <vector>

#include "device_tab.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QRadioButton;

namespace orv {
class EventArgs;
}

namespace probedesk {

// Integer text of a field, as Basic's CLng reads it; a runtime error 13 when it is not a number.
int32_t LongOf(const QString& text);

class KeyboardPanel : public DeviceTab {
    Q_OBJECT
public:
    KeyboardPanel(const DeviceClass& c, LogBox* log, QWidget* parent = nullptr);

protected:
    HRESULT ConnectClassEvents(orv::host::Control& control) override;

private:
    void OnData();
    QLabel* keyData_;
    QLabel* keyEventType_;
};

class LineDisplayPanel : public DeviceTab {
    Q_OBJECT
public:
    LineDisplayPanel(const DeviceClass& c, LogBox* log, QWidget* parent = nullptr);

protected:
    void AfterOpen() override;

private:
    QLineEdit* text_;
    QLineEdit* row_;
    QLineEdit* column_;
    QLabel* rows_;
    QLabel* columns_;
    QLabel* windows_;
    QLabel* charSets_;
};

class MsrPanel : public DeviceTab {
    Q_OBJECT
public:
    MsrPanel(const DeviceClass& c, LogBox* log, QWidget* parent = nullptr);

protected:
    HRESULT ConnectClassEvents(orv::host::Control& control) override;

private:
    void OnData();
    void SetTracks();
    QCheckBox* tracks_[4];
    QLabel* data_[4];
};

class PinpadPanel : public DeviceTab {
    Q_OBJECT
public:
    PinpadPanel(const DeviceClass& c, LogBox* log, QWidget* parent = nullptr);

protected:
    HRESULT ConnectClassEvents(orv::host::Control& control) override;

private:
    void BeginTransaction();
    void OnData();
    QComboBox* system_;
    QComboBox* transType_;
    QComboBox* masterKey_;
    QComboBox* prompt_;
    QLineEdit* transHost_;
    QLineEdit* terminalId_;
    QLineEdit* merchantId_;
    QLineEdit* account_;
    QLineEdit* amount_;
    QLineEdit* sessionKey_;
    QLineEdit* minPin_;
    QLineEdit* maxPin_;
    QLineEdit* language_;
    QLineEdit* macMessage_;
    QLabel* encryptedPin_;
    QLabel* secInfo_;
    QLabel* mac_;
};

class ScannerPanel : public DeviceTab {
    Q_OBJECT
public:
    ScannerPanel(const DeviceClass& c, LogBox* log, QWidget* parent = nullptr);

protected:
    HRESULT ConnectClassEvents(orv::host::Control& control) override;

private:
    void OnData();
    QCheckBox* decode_;
    QLineEdit* directIO_;
    QLabel* scanData_;
    QLabel* scanLabel_;
    QLabel* scanType_;
};

// picSignature: a white pad the signature is drawn on.
class SignaturePicture : public QWidget {
    Q_OBJECT
public:
    explicit SignaturePicture(QWidget* parent = nullptr);
    void Clear();
    void Draw(const std::vector<QLineF>& lines);
    const QImage& Image() const { return image_; }
    QSize sizeHint() const override { return image_.size(); }

protected:
    void paintEvent(QPaintEvent*) override;

private:
    QImage image_;
};

class SignaturePanel : public DeviceTab {
    Q_OBJECT
public:
    SignaturePanel(const DeviceClass& c, LogBox* log, QWidget* parent = nullptr);
    SignaturePicture* Picture() const { return picture_; }
    // The lines of the last drawing.
    const std::vector<QLineF>& Drawn() const { return drawn_; }

protected:
    HRESULT ConnectClassEvents(orv::host::Control& control) override;
    void BeforeRelease() override;

private:
    void OnData();
    QLineEdit* formName_;
    SignaturePicture* picture_;
    std::vector<QLineF> drawn_;
};

class TonePanel : public DeviceTab {
    Q_OBJECT
public:
    TonePanel(const DeviceClass& c, LogBox* log, QWidget* parent = nullptr);

protected:
    HRESULT ConnectClassEvents(orv::host::Control& control) override;

private:
    void Sound();
    void SoundImmediate();
    QCheckBox* async_;
    QLineEdit* asyncFields_[7];  // duration 1, pitch 1, tone wait, pitch 2, duration 2, cycles, wait
    QLineEdit* syncFields_[7];
    QLineEdit* immediate_[3];    // pitch 1, pitch 2, duration of each tone
};

}  // namespace probedesk
