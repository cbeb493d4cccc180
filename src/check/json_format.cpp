// The JSON format.
#include "check/json_writer.h"
#include "check/report_formats.h"
#include "launcher/program_search.h"

namespace veltrane::check {

namespace {

void writeNumberOrNull(JsonWriter& json, size_t value) {
  if (value == 0) {
    json.null();
  } else {
    json.number(static_cast<std::int64_t>(value));
  }
}

}  // namespace

void jsonLine(JsonWriter& json, const LineRecord& line) {
  json.beginObject();
  json.key("line");
  json.number(static_cast<std::int64_t>(line.number));
  json.key("text");
  json.string(line.text);
  json.key("key");
  line.key.empty() ? json.null() : json.string(line.key);
  json.key("value");
  line.key.empty() ? json.null() : json.string(line.value);
  json.key("expanded");
  line.key.empty() ? json.null() : json.string(line.expanded);
  if (line.effect.empty()) {
    json.key("ignored");
    json.boolean(true);
    json.key("reason");
    json.string(line.reason);
  } else {
    json.key("effect");
    json.string(line.effect);
  }
  json.endObject();
}

namespace {

void writeProblem(JsonWriter& json, const Problem& problem) {
  json.beginObject();
  json.key("code");
  json.string(problem.code);
  json.key("severity");
  json.string(severityName(problem.severity));
  json.key("line");
  writeNumberOrNull(json, problem.line);
  json.key("column");
  writeNumberOrNull(json, problem.column);
  json.key("message");
  json.string(problem.message);
  json.key("hint");
  json.string(problem.hint);
  json.endObject();
}

void writeJvm(JsonWriter& json, const LaunchRecord& launch) {
  json.key("jvm");
  json.beginObject();
  json.key("found");
  json.boolean(launch.jvmFound);
  json.key("path");
  launch.jvmFound ? json.string(launch.jvmPath) : json.null();
  json.key("tried");
  json.beginArray();
  for (const Candidate& candidate : launch.tried) {
    json.beginObject();
    json.key("path");
    json.string(candidate.path);
    json.key("result");
    json.string(candidate.result);
    json.endObject();
  }
  json.endArray();
  json.endObject();
}

void writeLaunch(JsonWriter& json, const LaunchRecord& launch) {
  json.key("launch");
  json.beginObject();
  writeJvm(json, launch);
  json.key("path");
  json.string(launch.path);
  json.key("classPath");
  json.beginArray();
  for (const ClassPathEntry& entry : launch.classPath) {
    json.beginObject();
    json.key("entry");
    json.string(entry.entry);
    json.key("line");
    writeNumberOrNull(json, entry.line);
    json.key("exists");
    entry.exists ? json.boolean(*entry.exists) : json.null();
    json.endObject();
  }
  json.endArray();
  json.key("commandLine");
  json.string(launch.commandLine);
  json.key("commandLineLength");
  json.number(static_cast<std::int64_t>(launch.commandLineLength));
  json.key("commandLineLimit");
  json.number(static_cast<std::int64_t>(kMaxCommandLine));
  json.endObject();
}

void writeRun(JsonWriter& json, const RunRecord& run) {
  json.key("run");
  json.beginObject();
  json.key("vm");
  json.string(run.vm);
  json.key("javaInsteadOfJavaw");
  json.boolean(run.javaInsteadOfJavaw);
  json.key("exitStatus");
  run.exitStatus ? json.number(*run.exitStatus) : json.null();
  json.key("failureReport");
  run.failureReport.empty() ? json.null() : json.string(run.failureReport);
  json.key("launcherStatus");
  json.number(run.launcherStatus);
  json.endObject();
}

void writeSummary(JsonWriter& json, const CheckReport& report) {
  json.key("summary");
  json.beginObject();
  json.key("errors");
  json.number(static_cast<std::int64_t>(countOf(report, Severity::kError)));
  json.key("warnings");
  json.number(static_cast<std::int64_t>(countOf(report, Severity::kWarning)));
  json.key("notes");
  json.number(static_cast<std::int64_t>(countOf(report, Severity::kNote)));
  json.key("exitStatus");
  json.number(exitStatusOf(report));
  json.endObject();
}

}  // namespace

void jsonBegin(JsonWriter& json, const CheckReport& report) {
  json.beginObject();
  json.key("configFile");
  json.string(report.launch.configFile);
  json.key("codePage");
  json.string(report.codePage);
  json.key("mode");
  json.string(report.mode);
  json.key("exeDir");
  report.exeDir.empty() ? json.null() : json.string(report.exeDir);
  json.key("lines");
  json.beginArray();
}

void jsonEnd(JsonWriter& json, const CheckReport& report) {
  json.endArray();
  json.key("problems");
  json.beginArray();
  for (const Problem& problem : report.problems) {
    writeProblem(json, problem);
  }
  json.endArray();
  writeLaunch(json, report.launch);
  if (report.run) {
    writeRun(json, *report.run);
  }
  writeSummary(json, report);
  json.endObject();
}

}  // namespace veltrane::check
