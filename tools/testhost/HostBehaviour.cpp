#include "HostBehaviour.h"

QString THostBehaviour::Apply(const QStringList& words) {
    for (qsizetype i = 0; i < words.size(); ++i) {
        const QString& word = words[i];
        const QString name = word.section(QLatin1Char('='), 0, 0);
        const QString value = word.section(QLatin1Char('='), 1);
        bool ok = true;
        if (name == QLatin1String("deny"))
            DenyCredentials = true;
        else if (name == QLatin1String("noos"))
            NoOperatingSystem = true;
        else if (name == QLatin1String("drop"))
            DropConnection = true;
        else if (name == QLatin1String("silent"))
            Silent = true;
        else if (name == QLatin1String("singleton"))
            Singleton = true;
        else if (name == QLatin1String("huge"))
            Huge = true;
        else if (name == QLatin1String("ntlmonly"))
            NtlmOnly = true;
        else if (name == QLatin1String("unencrypted"))
            AllowUnencrypted = true;
        else if (name == QLatin1String("tamper"))
            Tamper = true;
        else if (name == QLatin1String("plainanswers"))
            PlainAnswers = true;
        else if (name == QLatin1String("closeonchallenge"))
            CloseOnChallenge = true;
        else if (name == QLatin1String("preemptive"))
            PreemptiveBasic = true;
        else if (name == QLatin1String("cbtstrict"))
            StrictBinding = true;
        else if (name == QLatin1String("unproved"))
            Unproved = true;
        else if (name == QLatin1String("noreturn"))
            NeverBack = true;
        else if (name == QLatin1String("reboot"))
            RebootMs = value.toInt(&ok);
        else if (name == QLatin1String("delay"))
            DelayMs = value.toInt(&ok);
        else if (name == QLatin1String("return"))
            ReturnValue = value.toInt(&ok);
        else if (name == QLatin1String("hugefault"))
            HugeFaultBytes = value.toInt(&ok);
        else if (name == QLatin1String("manyobjects"))
            ManyObjects = value.toInt(&ok);
        else if (name == QLatin1String("fault")) {
            FaultMessage = (QStringList{value} + words.mid(i + 1)).join(QLatin1Char(','));
            return FaultMessage.isEmpty() ? QStringLiteral("fault= needs a text") : QString();
        } else if (!name.isEmpty())
            return QStringLiteral("unknown behaviour: ") + word;
        if (!ok)
            return QStringLiteral("not a number: ") + word;
    }
    return QString();
}
