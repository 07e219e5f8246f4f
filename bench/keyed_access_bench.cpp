// Keyed access against SQLite on the same 1,000,000 8-byte keys: KFind of random existing keys
// and a full KNext walk on the engine's index; the same point lookups through an indexed BLOB
// column in SQLite. Both are warm (the index file in the page cache, SQLite's pages in its
// cache). Reads are counted through the host layer.

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <filesystem>
#include <random>

#include "bench/allocation_counter.h"
#include "bench/bench_host.h"
#include "engine/business_basic.h"
#include "engine/system.h"
#include "environment/shared_instances.h"
#include "host/counting_host.h"
#include "host/host.h"
#include "tools/share_builders/data_file_builder.h"
#include "tools/share_builders/index_builder.h"

namespace tervalo {
namespace {

namespace fs = std::filesystem;
constexpr int kKeys = 1000000;

std::string Key(uint64_t n) {
  std::string key(8, '\0');
  for (int i = 7; i >= 0; --i, n >>= 8) key[static_cast<size_t>(i)] = static_cast<char>(n & 0xFF);
  return key;
}

// Keys spread over the 64-bit range: key i is i * a large odd step, kept sorted.
uint64_t KeyValue(int i) { return static_cast<uint64_t>(i) * 0x9E3779B97Full; }

struct Fixture {
  fs::path base = fs::temp_directory_path() / "tervalo-keyed-bench";
  BenchHost machine;
  CountingHost host{machine};  // counts the reads that reach the file system
  cSystem system;
  std::unique_ptr<cBusinessBasic> engine;
  std::shared_ptr<cLogicalFile> index;
  sqlite3* db = nullptr;
  sqlite3_stmt* lookup = nullptr;

  Fixture() {
    fs::remove_all(base);
    share::ShareBuilder share(base / "unc", "SRV", "CO1");
    share.CreateShares();
    share::IndexEntries entries;
    entries.reserve(kKeys);
    for (int i = 0; i < kKeys; ++i) entries.emplace_back(Key(KeyValue(i)), i + 1);
    share::DataFileBuilder data(share, "KEYSLK");
    share::AddIndex(data, "KEYSI", {8}, entries);
    data.Write();
    share.WriteLinksFile(data.Links());
    share.WriteTerminalMap("BENCH 1\r\n");
    ::setenv("TERVALO_UNC_ROOT", (base / "unc").c_str(), 1);
    system.mUNCDrive = "SRV";
    system.mDirectory = "CO1";
    engine = std::make_unique<cBusinessBasic>(system, host);
    index = engine->LogicalOpen("KEYSI");

    sqlite3_open((base / "keys.db").c_str(), &db);
    sqlite3_exec(db, "PRAGMA cache_size=-200000; PRAGMA journal_mode=OFF; PRAGMA synchronous=OFF;"
                     "CREATE TABLE keys(k BLOB, rec INTEGER); BEGIN;", nullptr, nullptr, nullptr);
    sqlite3_stmt* insert = nullptr;
    sqlite3_prepare_v2(db, "INSERT INTO keys VALUES(?, ?)", -1, &insert, nullptr);
    for (const auto& [key, rec] : entries) {
      sqlite3_bind_blob(insert, 1, key.data(), 8, SQLITE_STATIC);
      sqlite3_bind_int(insert, 2, rec);
      sqlite3_step(insert);
      sqlite3_reset(insert);
    }
    sqlite3_finalize(insert);
    sqlite3_exec(db, "COMMIT; CREATE INDEX keys_k ON keys(k);", nullptr, nullptr, nullptr);
    sqlite3_prepare_v2(db, "SELECT rec FROM keys WHERE k = ?", -1, &lookup, nullptr);
  }
  ~Fixture() {
    sqlite3_finalize(lookup);
    sqlite3_close(db);
    engine.reset();
    fs::remove_all(base);
  }
};

Fixture& TheFixture() {
  static Fixture fixture;
  return fixture;
}

void BM_KFind(benchmark::State& state) {
  Fixture& f = TheFixture();
  std::mt19937 random(7);
  std::string buff, key;
  int32_t rec = 0;
  const int64_t reads_before = f.host.all().reads;
  for (auto _ : state) {
    key = Key(KeyValue(static_cast<int>(random() % kKeys)));
    f.engine->KFind(f.index, buff, key, rec);
    benchmark::DoNotOptimize(rec);
  }
  state.counters["reads_per_find"] =
      static_cast<double>(f.host.all().reads - reads_before) / static_cast<double>(state.iterations());
  state.counters["depth"] = static_cast<unsigned char>(buff[17]);
}
BENCHMARK(BM_KFind)->MinTime(2.0);

void BM_SqliteLookup(benchmark::State& state) {
  Fixture& f = TheFixture();
  std::mt19937 random(7);
  std::string key;
  for (auto _ : state) {
    key = Key(KeyValue(static_cast<int>(random() % kKeys)));
    sqlite3_bind_blob(f.lookup, 1, key.data(), 8, SQLITE_STATIC);
    if (sqlite3_step(f.lookup) == SQLITE_ROW) benchmark::DoNotOptimize(sqlite3_column_int(f.lookup, 0));
    sqlite3_reset(f.lookup);
  }
}
BENCHMARK(BM_SqliteLookup)->MinTime(2.0);

void BM_KNextWalk(benchmark::State& state) {
  Fixture& f = TheFixture();
  for (auto _ : state) {
    std::string buff, key;
    int32_t rec = 0;
    f.engine->KFind(f.index, buff, key, rec);
    int64_t count = 0;
    const int64_t reads_before = f.host.all().reads;
    const size_t allocations_before = bench::g_allocations;
    for (rec = rec < 0 ? -rec : rec; rec != 0; f.engine->KNext(f.index, buff, key, rec)) ++count;
    state.counters["keys"] = static_cast<double>(count);
    state.counters["reads"] = static_cast<double>(f.host.all().reads - reads_before);
    state.counters["allocations"] = static_cast<double>(bench::g_allocations - allocations_before);
  }
}
BENCHMARK(BM_KNextWalk)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
}  // namespace tervalo

BENCHMARK_MAIN();
