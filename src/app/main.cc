// The program: creates its windows in their fixed order and runs until the
// main window closes. It works on the files of the working directory; its
// settings are param.Ini (settings/param_ini.h says where).
#include <filesystem>

#include "app/application.h"
#include "app/help_form.h"
#include "app/main_form.h"
#include "dbf/table/code_page.h"
#include "exchange/exchange_operations.h"
#include "grid/form_connect.h"
#include "grid/list_form.h"
#include "ordering/price_list_check.h"
#include "ordering/working_directory.h"
#include "settings/nastroyki.h"
#include "settings/param_ini.h"
#include "settings/qt_user_prompts.h"

int main(int argc, char** argv) {
  zakaz::ZakazApplication app(argc, argv);
  zakaz::QtUserPrompts prompts;
  app.SetPrompts(&prompts);
  zakaz::dbf::BuildTranslationTables();
  // Boxes shown while the main window is created carry the title too.
  prompts.SetApplicationTitle(zakaz::TMainForm::InitialTitle());
  // Before any window, so the first save or send does not fail for a
  // directory the pharmacy's working directory never had.
  zakaz::OfferMissingWorkDirectories(std::filesystem::current_path(), prompts);
  // The main window comes first and must not use the dialogs made after it.
  zakaz::TMainForm main_form(prompts, zakaz::ParamIniPath());
  prompts.SetApplicationTitle(main_form.ApplicationTitle());
  main_form.OnTitleChanged = [&prompts](const QString& title) {
    prompts.SetApplicationTitle(title);
  };
  zakaz::TListForm list_form(zakaz::kArchiveBrowser, prompts);
  zakaz::TNastroyki settings(prompts);
  zakaz::TFormConnect connect_form(settings, prompts, std::filesystem::current_path());
  connect_form.OpenPriceList = [&main_form] { main_form.OpenPriceList(); };
  connect_form.PagesChange = [&main_form] { main_form.PagesChange(); };
  connect_form.Operations().ProvePriceTable = zakaz::ProvePriceListTable;
  main_form.SetConnectForm(&connect_form);
  zakaz::TNaklForm nakl_form(zakaz::kWaybillBrowser, prompts);
  zakaz::THelpForm help;
  main_form.SetArchiveForm(&list_form);
  main_form.SetNaklForm(&nakl_form);
  main_form.SetSettingsForm(&settings);
  main_form.SetHelpForm(&help);

  main_form.show();
  return zakaz::RunMessageLoop(main_form);
}
