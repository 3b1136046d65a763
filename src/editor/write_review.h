#pragma once

// Before a write the person sees every field that will change on the unit, as the unit holds it
// and as it will be, and confirms; a set of another kind of unit is refused before anything is
// asked. After the read-out that follows the write, what the unit holds is compared with what was
// sent, and the result says how many fields changed and whether the unit holds them all.

#include "params/write_check.h"

#include <QString>

#include <optional>
#include <vector>

namespace qtx52::editor {

class frm_config;

class WriteReview {
public:
    enum class Group { Config, Inputs };

    // A file's set is in the editor. Its device coding and firmware are not loaded into the
    // boxes, which keep showing the unit's; they are kept here until a read-out replaces the set.
    void setLoaded(const QString& coding, const QString& firmware) {
        loaded_ = LoadedSet{coding.trimmed(), firmware.trimmed()};
    }
    void setRead() { loaded_.reset(); }

    // Why nothing of the editor may go to the unit on the line: the set loaded was saved from a
    // unit of another device coding, another kind of unit. Nothing when it may.
    std::optional<QString> otherKindOfUnit(const frm_config& f) const;

    // Lists the group's changed fields (unit -> new) with a warning where the set comes from
    // other firmware, and asks. True when the person chose to write; what goes out is kept for
    // the check after the read-out.
    bool confirm(frm_config& f, Group group);
    // The group goes out unasked (the unchanged-values dialog has asked): only kept for the check.
    void expect(frm_config& f, Group group);

    // The status window has gone after a step of a chain: a write's last step waits for its
    // read-out, whose end is compared with what was sent; any other end forgets the write.
    void stepEnded(frm_config& f, int state, bool answered);
    // A chain not started by a write (a read-out asked for) has nothing to check.
    void forget() { pending_.reset(); }

private:
    struct Pending {
        std::vector<params::WriteValue> sent;
        int changed = 0;
        int station = 0;
        bool written = false; // the write's last step has ended; its read-out runs
    };
    static Pending collect(frm_config& f, Group group, QStringList* changes);
    void report(frm_config& f, const Pending& p);
    std::optional<Pending> pending_;
    struct LoadedSet {
        QString coding;
        QString firmware;
    };
    std::optional<LoadedSet> loaded_;
};

} // namespace qtx52::editor
