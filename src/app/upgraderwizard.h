#ifndef UPGRADERWIZARD_H
#define UPGRADERWIZARD_H

class Communication;
class QWizard;

// Builds the wizard with its five pages around a new Communication object,
// exactly as the program runs it. Neither object has a parent: the caller
// owns both, the wizard to be deleted first. The Communication object is
// handed back through comm.
QWizard *createUpgraderWizard(Communication **comm = nullptr);

#endif
