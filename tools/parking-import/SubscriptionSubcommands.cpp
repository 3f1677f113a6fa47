#include "ImportSubcommands.h"

#include <parking/imports/SubscriptionImportJob.h>

namespace importcmd {

Subcommand SubscriptionsSubcommand()
{
    return {QStringLiteral("subscriptions"), QStringLiteral("FILE"),
            QStringLiteral("zamenjuje sadržaj parkingsubscription pretplatama iz izvoza"), 1,
            [](CommandContext &context) {
                imports::SubscriptionImportJob job;
                context.RunFileImport(job, context.Arguments().at(0));
            }};
}

} // namespace importcmd
