// Sessions and databases of the table component. A session ("Default" for
// every dataset that names none) keeps the databases its datasets use; a
// database ties a name to an engine directory ("Memory" is the in-memory
// one) and counts the datasets holding it. Datasets connect through
// EngineDBDataSet; nothing here starts threads.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "table/engine/DataDirectory.h"

namespace morvel {

class EngineDataSet;
class EngineSession;

class EngineDatabase {
 public:
  EngineDatabase(EngineSession& session, std::string_view name, bool temporary,
                 bool keepConnection);

  const std::string& databaseName() const { return name_; }
  bool temporary() const { return temporary_; }
  bool keepConnection() const { return keepConnection_; }
  void setKeepConnection(bool keep) { keepConnection_ = keep; }
  int useCount() const { return useCount_; }
  bool connected() const { return directory_ != nullptr; }
  // The engine directory; only while connected.
  DataDirectory& directory() const { return *directory_; }

  void connect();
  void disconnect();
  // A dataset starts or stops holding the database.
  void addDataSet(EngineDataSet* dataSet);
  void removeDataSet(EngineDataSet* dataSet);

 private:
  EngineSession& session_;
  std::string name_;
  bool temporary_;
  bool keepConnection_;
  int useCount_ = 0;
  DataDirectory* directory_ = nullptr;
  std::vector<EngineDataSet*> dataSets_;
};

class EngineSession {
 public:
  explicit EngineSession(std::string_view name);
  ~EngineSession();

  const std::string& sessionName() const { return name_; }
  int lockRetryCount() const { return lockRetryCount_; }
  int lockWaitTime() const { return lockWaitTime_; }
  int sortId() const { return sortId_; }
  bool keepConnections() const { return keepConnections_; }
  void setKeepConnections(bool keep) { keepConnections_ = keep; }
  // The text the table component reports as its engine version.
  static const char* engineVersion() { return "2.11"; }

  // The database of that name: an existing one, else a temporary one made
  // now. Names compare ignoring case.
  EngineDatabase& openDatabase(std::string_view name);
  EngineDatabase* findDatabase(std::string_view name) const;
  // Called when a database's last user leaves: a temporary database that
  // keeps no connection is freed, any other is disconnected.
  void releaseDatabase(EngineDatabase& database);
  DataSession& engineSession() { return engineSession_; }

 private:
  std::string name_;
  int lockRetryCount_ = 15;
  int lockWaitTime_ = 100;
  int sortId_ = 0;
  bool keepConnections_ = true;
  DataSession engineSession_;
  std::vector<std::unique_ptr<EngineDatabase>> databases_;
};

// The process-wide session list; it holds "Default" from the start.
// Looking up a missing name makes a session of that name.
EngineSession& engineSession(std::string_view name = {});

}  // namespace morvel
