// The bash completion of pixmill-cli, made from the option table.
#include "cli/cli_options.h"
#include "cli/cli_reference.h"

namespace pixmill::cli {
namespace {

QString longName(const OptionEntry& option) {
    return QStringLiteral("--") + QString::fromUtf8(option.name);
}

QStringList spelled(const QStringList& names) {
    QStringList out;
    for (const OptionEntry& option : optionTable()) {
        if (names.contains(QString::fromUtf8(option.name)))
            out << longName(option);
    }
    return out;
}

// `case` branches that complete an option's value: folders for DIR, files for FILE, the words
// of "a|b|c", nothing for anything else (numbers, texts).
QString valueCases() {
    QStringList folders, files, free;
    QString words;
    for (const OptionEntry& option : optionTable()) {
        if (!option.valueName)
            continue;
        const QString value = QString::fromUtf8(option.valueName);
        if (value == QLatin1String("DIR")) {
            folders << longName(option);
        } else if (value == QLatin1String("FILE")) {
            files << longName(option);
        } else if (value.contains(QLatin1Char('|'))) {
            words += QStringLiteral("        %1) _pixmill_cli_reply words \"%2\" ;;\n")
                         .arg(longName(option),
                              QString(value).replace(QLatin1Char('|'), QLatin1Char(' ')));
        } else {
            free << longName(option);
        }
    }
    QString out;
    if (!folders.isEmpty())
        out += QStringLiteral("        %1) _pixmill_cli_reply folders ;;\n").arg(folders.join('|'));
    if (!files.isEmpty())
        out += QStringLiteral("        %1) _pixmill_cli_reply files ;;\n").arg(files.join('|'));
    out += words;
    if (!free.isEmpty())
        out += QStringLiteral("        %1) COMPREPLY=() ;;\n").arg(free.join('|'));
    return out;
}

QString commandCases() {
    QString out;
    for (auto command = commandOptions().cbegin(); command != commandOptions().cend(); ++command) {
        out += QStringLiteral("        %1) options=\"%2\" ;;\n")
                   .arg(command.key(), spelled(command.value()).join(QLatin1Char(' ')));
    }
    return out;
}

QString valueOptionPattern() {
    QStringList names;
    for (const OptionEntry& option : optionTable()) {
        if (option.valueName)
            names << longName(option);
    }
    return names.join(QLatin1Char('|'));
}

const char* kScript = R"(# bash completion for pixmill-cli, generated from its option table.

_pixmill_cli_reply() {
    local IFS=$'\n'
    case $1 in
        folders) compopt -o filenames 2>/dev/null; COMPREPLY=($(compgen -d -- "$cur")) ;;
        files) compopt -o filenames 2>/dev/null; COMPREPLY=($(compgen -f -- "$cur")) ;;
        words) COMPREPLY=($(IFS=' '; compgen -W "$2" -- "$cur")) ;;
    esac
}

# Completes the value of option $1 (without "=").
_pixmill_cli_value() {
    case $1 in
@VALUES@        *) return 1 ;;
    esac
    return 0
}

_pixmill_cli() {
    local cur=${COMP_WORDS[COMP_CWORD]} prev=${COMP_WORDS[COMP_CWORD-1]}
    local command="" word i options
    COMPREPLY=()
    # "--out=x" reaches us as "--out" "=" "x" while "=" is a word break.
    if [[ $cur == "=" ]]; then
        cur=""
        _pixmill_cli_value "$prev" && return 0
    elif [[ $prev == "=" && $COMP_CWORD -ge 2 ]]; then
        _pixmill_cli_value "${COMP_WORDS[COMP_CWORD-2]}" && return 0
    elif [[ $cur == --*=* ]]; then
        local option=${cur%%=*}
        cur=${cur#*=}
        if _pixmill_cli_value "$option"; then
            COMPREPLY=("${COMPREPLY[@]/#/$option=}")
            return 0
        fi
    elif [[ $prev == -* ]]; then
        _pixmill_cli_value "$prev" && return 0
    fi
    # The command is the first word that is neither an option nor an option's value.
    for ((i = 1; i < COMP_CWORD; i++)); do
        word=${COMP_WORDS[i]}
        case $word in
            @VALUE_OPTIONS@) ((i++)); [[ ${COMP_WORDS[i]} == "=" ]] && ((i++)) ;;
            -*|=) ;;
            *) command=$word; break ;;
        esac
    done
    if [[ -z $command ]]; then
        if [[ $cur == -* ]]; then
            COMPREPLY=($(compgen -W "@GENERAL@" -- "$cur"))
        else
            COMPREPLY=($(compgen -W "@COMMANDS@" -- "$cur"))
        fi
        return 0
    fi
    case $command in
@COMMANDS_OPTIONS@        *) return 0 ;;
    esac
    if [[ $cur == -* ]]; then
        COMPREPLY=($(compgen -W "$options @COMMON@ --help" -- "$cur"))
    elif [[ $command == info ]]; then
        _pixmill_cli_reply files
    else
        _pixmill_cli_reply folders
    fi
    return 0
}

complete -F _pixmill_cli pixmill-cli
)";

}  // namespace

QString bashCompletion() {
    QString script = QString::fromUtf8(kScript);
    script.replace(QLatin1String("@VALUES@"), valueCases());
    script.replace(QLatin1String("@VALUE_OPTIONS@"), valueOptionPattern());
    script.replace(QLatin1String("@GENERAL@"),
                   spelled(generalOptionNames()).join(QLatin1Char(' ')));
    script.replace(QLatin1String("@COMMANDS@"), commandOptions().keys().join(QLatin1Char(' ')));
    script.replace(QLatin1String("@COMMANDS_OPTIONS@"), commandCases());
    script.replace(QLatin1String("@COMMON@"), spelled(commonOptionNames()).join(QLatin1Char(' ')));
    return script;
}

}  // namespace pixmill::cli
