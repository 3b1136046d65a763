#pragma once

// The transfer matrix: each workflow against the simulated unit with one fault striking one of
// its requests, at each framing, baud rate and response time, in virtual time. The axes are
// independent and the matrix is their product. A cell either completes with editor, references
// and unit agreeing, or ends with the notice (and for a refusal one message) that says what
// happened and stays; either way no field is shown as the unit's value while it differs.
//
// The suite runs a fixed pseudo-random sample; qtx52-bench-matrix runs the whole product.

#include "link/link_events.h"

#include <QList>
#include <QString>

#include <vector>

namespace qtx52::testing::matrix {

enum class Workflow {
    ReadDevice,  // "Gerät auslesen": register 6, then the read-out
    ReadAgain,   // "Abbrechen" without a read device: the response time not yet known
    ConfigWrite, // a configuration register changed, written, read out again
    InputWrite,  // an input register and coil changed, written, read out again
    BothGroups,  // both groups changed: the configuration goes out, the read-out follows
    Monitor,     // three cycles of the live monitor
};

enum class Fault {
    None,
    LostOnce,    // the reply to the first try is lost
    Chunked,     // the reply comes in five pieces
    Late,        // the reply comes late, by a delay that varies from cell to cell
    Garbage,     // noise before the reply
    Busy,        // exception 06 once
    Exception02, // the unit refuses the request, every try of it
    Exception03,
    Exception04,
    DeviceLost, // the adapter goes while the unit is still to answer
};

struct Cell {
    Workflow workflow = Workflow::ReadDevice;
    Fault fault = Fault::None;
    int step = 0; // the request of the workflow the fault strikes, from 0
    link::Framing framing = link::Framing::Rtu;
    int baud = 9600;
    int responseMs = 0;
    bool fast = false; // fast reads: each request follows the reply to the one before
};

const QList<Workflow>& workflows();
const QList<Fault>& faults();
const QList<int>& bauds();
const QList<int>& responseTimes();
// Requests of a workflow a fault can strike.
int steps(Workflow w);

QString name(const Cell& c);
// The late reply's extra delay in this cell, fixed for the cell: from 50 ms up to what still
// comes before the link gives up on the request.
qint64 lateDelayMs(const Cell& c);

// Every cell, in a fixed order.
std::vector<Cell> product();
// About `count` cells of the product, the same ones on every run.
std::vector<Cell> sample(std::size_t count);

// Runs one cell; the empty text when it passed, otherwise what went wrong. A request the unit did
// not hear because it came within the line's silent interval after a reply fails the cell. With
// `left`, what the cell left behind: the requests it sent (each once, in order; not for the
// monitor, whose cycles follow the time), every field, reference and mark of the editor, the
// notice and the messages, which fast reads must leave as the pacing does.
QString run(const Cell& c, QStringList* left = nullptr);

} // namespace qtx52::testing::matrix
