#pragma once

// What the program tells the technician about the port: why it did not open, that its device
// went away, which device a port number reaches. German and English, chosen by the interface
// language.

#include "link/commport.h"

namespace qtx52::link {

// The line below "COM-Port not available, <number>": the device and the reason.
QString openFailureText(const CommError& error, bool english);
// The notice after the device went away while the port was open.
QString deviceLostText(const CommError& error, bool english);
// The label beside the port selector: which device the chosen number reaches.
QString portDeviceText(const QString& description, bool english);
// The same label while the connection to a line over the network is being made.
QString connectingText(const QString& description, bool english);

} // namespace qtx52::link
