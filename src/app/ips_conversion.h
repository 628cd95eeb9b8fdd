#pragma once

#include "app/command_line.h"
#include "app/unattended_jobs.h"

namespace hm {

// PATCH [/s:SOURCE] /c:OUT: the patch, a DIF or an IPS as its header says, written again as an
// IPS when OUT ends in ".ips" (any letter case) and as a DIF otherwise, with the same blocks and
// bytes. With SOURCE the DIF's backup (OUT + "_bak.dif") is written too, the blocks the output
// reads back as with SOURCE's bytes, and the two take their names together. An existing output
// is replaced under its lock; OUT may be PATCH itself. Statuses: 0 written, 1 with a message
// (an unreadable or invalid patch, a block past SOURCE's end, a write that failed), 3 a file not
// found.
int runConversion(const CommandLine& command, JobContext& context);

}  // namespace hm
