#include "globalhotkey.h"

// Builds without X11: no hot key, the program runs without it.

CGlobalHotKey::CGlobalHotKey(QObject* parent) : QObject(parent) {}
CGlobalHotKey::~CGlobalHotKey() = default;
bool CGlobalHotKey::Register() { return false; }
void CGlobalHotKey::Unregister() {}
bool CGlobalHotKey::nativeEventFilter(const QByteArray&, void*, qintptr*) { return false; }
