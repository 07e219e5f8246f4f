#pragma once
// The records board tests write into their companies: a job's invoice record and the settings of
// FILE0, each written once for the board's tests and the window's.

#include <cstdint>

#include "tools/share_builders/company_builder.h"

namespace tervalo::testing {

inline constexpr int32_t kDay = 21000;  // 29 June 2025

// A job brought in on kDay: a mower that will not start.
inline share::InvoiceRecord Job(int32_t reference, char status = 'O', int32_t priority = 1) {
  share::InvoiceRecord r;
  r.reference = reference;
  r.status = status;
  r.priority = priority;
  r.date_in = kDay;
  r.description1 = "HARLAN MOWER";
  r.description2 = "HR217 WONT START";
  return r;
}

// The job marked for a mechanic.
inline share::InvoiceRecord Scheduled(share::InvoiceRecord job, int32_t mechanic) {
  job.mechanic = mechanic;
  return job;
}

// Eight priorities, each with a colour of its own, and five substatus names.
inline share::BoardFile0 EightPriorityFile0() {
  share::BoardFile0 file0;
  file0.priority_colors = {0x111111, 0x222222, 0x333333, 0x444444, 0x555555, 0x666666, 0x777777, 0x888888};
  file0.priority_names = {"Normal", "Rush", "Warranty", "Fleet", "Rental", "Dealer", "Internal", "Hold"};
  file0.substatus_names = {"Diagnosing", "Parts Order", "On Bench", "Testing", "Call Cust"};
  return file0;
}

// Two priorities as a small shop sets them: "Normal" in white, "Rush" (kRush) in light red.
inline constexpr int32_t kRush = 2;
inline share::BoardFile0 NormalAndRushFile0() {
  share::BoardFile0 file0;
  file0.priority_names = {"Normal", "Rush"};
  file0.priority_colors = {0xFFFFFF, 0xB4B4FF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF};
  return file0;
}

}  // namespace tervalo::testing
