#ifndef UPGRADERWIZARD_H
#define UPGRADERWIZARD_H

class Communication;
class QWizard;

// Builds the wizard with its five pages around a new Communication object,
// exactly as the program runs it. Neither object has a parent; both live until
// the process ends. The Communication object is handed back through comm.
QWizard *createUpgraderWizard(Communication **comm = nullptr);

#endif
