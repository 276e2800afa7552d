#pragma once

class CDbConnection;

// The process-wide connection the pages share (TheConnection()): made by the main window's
// initialisation, closed and destroyed when the console ends.
CDbConnection& CreateTheConnection();
void DestroyTheConnection();
