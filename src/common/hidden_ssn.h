#pragma once

#include <string>
#include <string_view>

namespace quorvex {

// SSNs kept private in what leaves the desk: with --redact (or "Hide SSNs" in the window)
// every report, findings document and comparison shows each SSN as its last four
// characters behind asterisks. The error log and the run history keep everything.

// "*****6789" of "123456789": every character but the last four is an asterisk (but blanks).
std::string MaskSsn(std::string_view ssn);

// `text` with every SSN in it masked: each occurrence of `ssn` (the SSN of the finding's
// record, for a user entry; ignored when it holds fewer than five characters other than
// blanks, which are no SSN to hide and could stand anywhere) and the SSN a message names
// after "SSN#: " (the totals checks name the first record of a block whose amount was not
// numeric). A message is given no `ssn`: the numbers of a rule's text stay as they are.
void HideSsns(std::string& text, std::string_view ssn);

}  // namespace quorvex
