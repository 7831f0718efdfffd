// Writes the template database (resources/template.mdb) from code alone: every page comes from
// the engine's builder and the definition of table IP. Usage: make-template OUTPUT
#include <fstream>

#include "database/TableIP.h"
#include "jet/DatabaseBuilder.h"
#include "platform/Console.h"
#include "platform/Process.h"

int main(int argc, char** argv) {
  ipmdb::platform::PrepareProcess();
  if (argc != 2) {
    ipmdb::platform::ConsoleErr() << "用法：make-template 输出文件\n";
    return 2;
  }
  try {
    const auto bytes = ipmdb::jet::BuildDatabase(ipmdb::database::TemplateDatabase());
    std::ofstream out(argv[1], std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    out.close();
    if (!out) {
      ipmdb::platform::ConsoleErr() << "无法写入文件“" << argv[1] << "”。\n";
      return 1;
    }
  } catch (const std::exception& e) {
    ipmdb::platform::ConsoleErr() << e.what() << "\n";
    return 1;
  }
  return 0;
}
