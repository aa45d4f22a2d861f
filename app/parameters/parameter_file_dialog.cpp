#include "app/parameters/parameter_file_dialog.h"

#include "drive/parameters/model/parameter_file.h"

namespace tarvex {

namespace {

FileChoice fileChoice(ParameterFileChoice choice)
{
    return choice == ParameterFileChoice::Save ? FileChoice::Save : FileChoice::Open;
}

} // namespace

FileType parameterFileType()
{
    return {QStringLiteral("mpa"), {QString::fromLatin1(parameters::kParameterFileFilter)}};
}

void configureParameterFileDialog(QFileDialog &dialog, ParameterFileChoice choice)
{
    configureFileDialog(dialog, parameterFileType(), fileChoice(choice));
}

QString chooseParameterFile(QWidget *parent, ParameterFileChoice choice)
{
    return chooseFile(parent, parameterFileType(), fileChoice(choice));
}

} // namespace tarvex
