// Sessions and databases; see EngineSession.h.
#include "table/EngineSession.h"

#include <algorithm>
#include <mutex>

#include "base/StringUtils.h"

namespace morvel {

EngineDatabase::EngineDatabase(EngineSession& session, std::string_view name, bool temporary,
                               bool keepConnection)
    : session_(session), name_(name), temporary_(temporary), keepConnection_(keepConnection) {}

void EngineDatabase::connect() {
  if (!directory_) directory_ = &session_.engineSession().directory(name_);
}

void EngineDatabase::disconnect() { directory_ = nullptr; }

void EngineDatabase::addDataSet(EngineDataSet* dataSet) {
  connect();
  ++useCount_;
  dataSets_.push_back(dataSet);
}

void EngineDatabase::removeDataSet(EngineDataSet* dataSet) {
  std::erase(dataSets_, dataSet);
  if (useCount_ > 0 && --useCount_ == 0 && !keepConnection_) session_.releaseDatabase(*this);
}

EngineSession::EngineSession(std::string_view name) : name_(name) {}

EngineSession::~EngineSession() = default;

EngineDatabase* EngineSession::findDatabase(std::string_view name) const {
  for (const auto& db : databases_) {
    if (equalsIgnoringAsciiCase(db->databaseName(), name)) return db.get();
  }
  return nullptr;
}

EngineDatabase& EngineSession::openDatabase(std::string_view name) {
  if (EngineDatabase* db = findDatabase(name)) return *db;
  databases_.push_back(std::make_unique<EngineDatabase>(*this, name, true, keepConnections_));
  return *databases_.back();
}

void EngineSession::releaseDatabase(EngineDatabase& database) {
  if (!database.temporary()) {
    database.disconnect();
    return;
  }
  std::erase_if(databases_, [&](const auto& db) { return db.get() == &database; });
}

EngineSession& engineSession(std::string_view name) {
  static std::mutex mutex;
  static std::vector<std::unique_ptr<EngineSession>> sessions = [] {
    std::vector<std::unique_ptr<EngineSession>> list;
    list.push_back(std::make_unique<EngineSession>("Default"));
    return list;
  }();
  std::lock_guard lock(mutex);
  if (name.empty()) return *sessions.front();
  for (const auto& s : sessions) {
    if (equalsIgnoringAsciiCase(s->sessionName(), name)) return *s;
  }
  sessions.push_back(std::make_unique<EngineSession>(name));
  return *sessions.back();
}

}  // namespace morvel
