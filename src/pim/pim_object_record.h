// The parse record the versit readers fill, shared by every reader of the process, and the lock
// that lets one parse at a time use it.
//
// Promises: a ParseSession holds the record for one parse (parses on other threads wait; the same
// thread may start a nested parse, for example from inside a delivery callback). Starting an object
// frees the lists of whatever the record held before (the previous object of this parse, or the
// last object of an earlier parse) with its temporary value files, so memory and files do not
// grow with the number of objects in a file. The last object a parse delivered stays valid until
// the next parse begins an object, or until release_parse_record() or the process ends.
#pragma once

#include <mutex>

#include "pim/osif_records.h"

namespace qel::pim {

class ParseSession {
public:
    ParseSession();
    ParseSession(const ParseSession&) = delete;
    ParseSession& operator=(const ParseSession&) = delete;

    // Frees what the record holds, zeroes it and notes that it now holds an object of `store`.
    tagvObject& begin_object(tOSIF_STOREID store) noexcept;
    tagvObject& record() noexcept;

private:
    std::unique_lock<std::recursive_mutex> lock_;
};

// Frees the lists (and temporary files) of the object the record holds, under the parse lock.
void release_parse_record() noexcept;

}  // namespace qel::pim
