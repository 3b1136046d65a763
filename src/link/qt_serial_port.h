#pragma once

#include "link/commport.h"
#include "link/port_map.h"

#include <memory>

class QSerialPort;

namespace qtx52::link {

// The serial port on a real device, through QSerialPort. Received bytes are taken in by the event
// loop; the program polls them with its receive timer.
class QtSerialCommPort final : public CommPort {
public:
    explicit QtSerialCommPort(PortMap map);
    ~QtSerialCommPort() override;

    int commPort() const override { return number_; }
    CommError setCommPort(int number) override;
    QString settings() const override { return settingsText_; }
    CommError setSettings(const QString& settings) override;
    InputMode inputMode() const override { return inputMode_; }
    void setInputMode(InputMode mode) override { inputMode_ = mode; }
    bool portOpen() const override;
    CommError setPortOpen(bool open) override;
    CommError output(const QByteArray& frame) override;
    int inBufferCount() override;
    QByteArray input() override;

    QString describePort(int number) const override { return map_.deviceFor(number); }
    // The device behind the current port number (empty when none).
    QString device() const { return map_.deviceFor(number_); }
    const PortMap& portMap() const { return map_; }

private:
    bool applySettings();

    PortMap map_;
    std::unique_ptr<QSerialPort> port_;
    int number_ = 1;
    QString settingsText_ = QStringLiteral("9600,N,8,1");
    LineSettings line_;
    InputMode inputMode_ = InputMode::Text;
};

} // namespace qtx52::link
