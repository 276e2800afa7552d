#pragma once

#include <QString>

// The two operator roles and their passwords in "sp.dap" beside the program.

enum LoginRole { kNoAccess = -1, kAdministratorRole = 0, kOperatorRole = 1 };

struct OperatorPasswords {
    QString administrator;
    QString operatorPassword;
};

// Both passwords, with the defaults of a new installation for whatever is missing. Read
// afresh at every call, so a change takes effect at the next prompt.
OperatorPasswords ReadPasswords();
// Writes both keys, keeping the rest of the file; the file is readable by its owner only.
bool WritePasswords(const OperatorPasswords& passwords);

// One password prompt; answers the role, or kNoAccess when cancelled or wrong.
int Login();
// The administrator's password asked for on the spot (what VerifyAdministrator shows).
bool PromptAdministrator();
// Confirms the administrator, then lets both passwords be changed.
void ChangePasswords();
