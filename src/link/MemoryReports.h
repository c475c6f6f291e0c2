#pragma once
// Reports about the breathalyser's record memory: the record-memory report
// (0x83), which during a download issues the request for all records; delete
// progress and completion (0x9A, 0x9B); the factory-reset confirmation (0x6F).

struct SharedState;

void RecordMemoryReport(SharedState& s);
void DeleteReport(SharedState& s);
void FactoryResetReport(SharedState& s);
