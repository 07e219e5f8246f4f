#pragma once
// The INVOL record a row of the board stands for: the one whose mark Update writes and a
// send-back clears, and whose fields a refresh shows.

#include <cstdint>

#include "board/board_state.h"
#include "board/job_index.h"
#include "board/job_text.h"

namespace tervalo {

class JobRecordReader;

// On tall rows the record of the request the row names, found along the job's request chain
// (the job's index record when the chain lacks it); on normal rows the job's index record. 0 when
// the job is not in the job index.
int32_t RecordOfKey(const BoardSettings& settings, JobRecordReader& reader, const JobIndex& index, const JobKey& key);

}  // namespace tervalo
