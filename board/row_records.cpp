#include "board/row_records.h"

#include "board/job_loading.h"

namespace tervalo {

int32_t RecordOfKey(const BoardSettings& settings, JobRecordReader& reader, const JobIndex& index, const JobKey& key) {
  const int32_t record = index.RecordNumber(key.first);
  if (!settings.TallRows || !reader.Exists(record)) return record;
  const RequestList requests = LoadRequests(reader, record);
  if (key.second < 1 || key.second > requests.count) return record;
  const int32_t request = requests.record[static_cast<size_t>(key.second)];
  return request > 0 && reader.Exists(request) ? request : record;
}

}  // namespace tervalo
