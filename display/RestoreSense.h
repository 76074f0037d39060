#pragma once
// The sense code of a restore whose data is invalid, and the log line that
// goes with each refusal.
constexpr unsigned int kSenseRestoreDataInvalid = 0x10050127;

// Logs "what" and "why" and returns kSenseRestoreDataInvalid.
unsigned int RestoreRejected(const char* what, const char* why);
