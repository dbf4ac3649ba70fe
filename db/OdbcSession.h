#pragma once
// The database session over ODBC 3: Windows' odbc32 in the product, unixODBC natively.
#include "db/OracleSession.h"

namespace zem {

// Logon: an ODBC data source named like the logon database, else the first installed
// driver whose name starts with "Oracle", with the logon database as DBQ.
std::unique_ptr<TOracleSession> CreateOdbcSession();

// The ODBC connection handle (an SQLHDBC) of a logged-on session from CreateOdbcSession, for
// tools that bind parameters or run transactions on it; null for any other session.
void* OdbcConnectionHandle(TOracleSession& session);

} // namespace zem
