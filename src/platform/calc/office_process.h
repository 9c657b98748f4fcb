#pragma once
// A headless LibreOffice of our own for one export: started with its own
// profile directory and pipe name, so that no other office (or one left by
// an earlier export) is ever talked to, and ended by its own process id.
#include <QProcess>
#include <QTemporaryDir>
#include <com/sun/star/frame/XDesktop2.hpp>
#include <com/sun/star/uno/XComponentContext.hpp>

class OfficeProcess {
public:
  // Starts the office and connects to it; throws Failure when it cannot.
  OfficeProcess();
  // Ends the office if Quit has not.
  ~OfficeProcess();
  const com::sun::star::uno::Reference<com::sun::star::frame::XDesktop2>& Desktop() const { return desktop_; }
  // Asks the office to end, then ends its process by id if it lingers.
  void Quit();

private:
  void Start();
  QTemporaryDir profile_;
  QProcess process_;
  com::sun::star::uno::Reference<com::sun::star::uno::XComponentContext> context_;
  com::sun::star::uno::Reference<com::sun::star::frame::XDesktop2> desktop_;
};
